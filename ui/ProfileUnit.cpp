#include "ui/ProfileUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

#include "app/GlobalUnit.h"
#include "app/IniFile.h"
#include "app/TextCodec.h"
#include "machine/MachineUnit.h"
#include "ui/DebugUnit.h"
#include "ui/MessageBoxes.h"

namespace {

constexpr QSize kFormSize{340, 160};
constexpr int kMargin = 12;
constexpr int kButtonWidth = 73;
constexpr int kButtonGap = 8;

qint16 readStoredValue(const QString &path, const QString &section, const QString &key)
{
    const auto text = vard::iniRead(path, section, key);
    return text ? TProfileForm::ProfileValue(*text) : 0;
}

} // namespace

TProfileForm::TProfileForm(TMachine *machine, TDebugForm *debug, QWidget *parent)
    : QDialog(parent), m_machine(machine), m_debug(debug)
{
    setObjectName(QStringLiteral("ProfileForm"));
    QFont formFont = font();
    formFont.setPixelSize(11);
    setFont(formFont);
    setFixedSize(kFormSize);
    const int fieldWidth = kFormSize.width() - 2 * kMargin;

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(kMargin, 10, fieldWidth, 16);
    Combo = new QComboBox(this);
    Combo->setObjectName(QStringLiteral("Combo"));
    Combo->setEditable(true);
    // The list shows what the file holds: a name typed here and confirmed with Return
    // is no stored profile until Save writes it.
    Combo->setInsertPolicy(QComboBox::NoInsert);
    Combo->setGeometry(kMargin, 28, fieldWidth, 24);
    Label1->setBuddy(Combo);

    ProfileNameStr = new QLabel(this);
    ProfileNameStr->setObjectName(QStringLiteral("ProfileNameStr"));
    ProfileNameStr->setGeometry(kMargin, 62, fieldWidth, 16);
    ProfileName = new QLineEdit(this);
    ProfileName->setObjectName(QStringLiteral("ProfileName"));
    ProfileName->setGeometry(kMargin, 80, fieldWidth, 24);
    ProfileNameStr->setBuddy(ProfileName);

    Load = new QPushButton(this);
    Save = new QPushButton(this);
    Erase = new QPushButton(this);
    Quit = new QPushButton(this);
    int x = kMargin;
    const std::pair<QPushButton *, const char *> buttons[] = {{Load, "Load"}, {Save, "Save"}, {Erase, "Erase"},
                                                              {Quit, "Quit"}};
    for (const auto &[button, name] : buttons) {
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(x, 120, kButtonWidth, 27);
        // Return in a name field must not load or overwrite a profile by accident.
        button->setAutoDefault(false);
        x += kButtonWidth + kButtonGap;
    }

    setTabOrder(Combo, ProfileName);
    setTabOrder(ProfileName, Load);
    setTabOrder(Load, Save);
    setTabOrder(Save, Erase);
    setTabOrder(Erase, Quit);

    // Only the operator's pick copies a name; what FillList selects it copies itself.
    connect(Combo, &QComboBox::activated, this, &TProfileForm::ComboSelect);
    connect(Load, &QPushButton::clicked, this, &TProfileForm::LoadClick);
    connect(Save, &QPushButton::clicked, this, &TProfileForm::SaveClick);
    connect(Erase, &QPushButton::clicked, this, &TProfileForm::EraseClick);
    connect(Quit, &QPushButton::clicked, this, &TProfileForm::QuitClick);
    // Seeing Esc before the controls: the combo's edit part and its completer would
    // otherwise keep it.
    qApp->installEventFilter(this);

    // Centred on the desktop rather than over the main window.
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    retranslateUi();
    FormCreate();
    Combo->setFocus();
}

void TProfileForm::retranslateUi()
{
    setWindowTitle(tr("Manage profiles"));
    Label1->setText(tr("Stored Profiles"));
    ProfileNameStr->setText(tr("Profile name:"));
    Load->setText(tr("Load"));
    Save->setText(tr("Save"));
    Erase->setText(tr("Erase"));
    Quit->setText(tr("Quit"));
}

void TProfileForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

bool TProfileForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == this) {
        QuitClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TProfileForm::FormCreate()
{
    // The dialog keeps only the file's name: every operation opens the file afresh, so
    // nothing it shows or writes can go stale against another copy of the program.
    m_fileName = ProfileFilePath();
    FillList();
}

QString TProfileForm::ProfileFilePath()
{
    return DataDir() + QStringLiteral("Profiles.vard");
}

QString TProfileForm::TrimName(const QString &typed)
{
    auto isBlank = [](QChar c) { return c.unicode() <= 32; };
    qsizetype begin = 0, end = typed.size();
    while (begin < end && isBlank(typed[begin]))
        ++begin;
    while (end > begin && isBlank(typed[end - 1]))
        --end;
    return typed.mid(begin, end - begin);
}

QString TProfileForm::SectionName(const QString &typed)
{
    QString name = TrimName(typed);
    for (QChar &c : name) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return name;
}

bool TProfileForm::IsStorableName(const QString &section)
{
    if (section.isEmpty() || section.contains(u']'))
        return false;
    if (std::any_of(section.begin(), section.end(), [](QChar c) { return c.unicode() < 32; }))
        return false;
    // The file reader trims every Unicode blank (a no-break space too) from a name.
    if (section.trimmed() != section)
        return false;
    return vard::uncodableInCp1252(section).isEmpty();
}

qint16 TProfileForm::ProfileValue(const QString &text)
{
    const int v = ParseSettingInt(text, 0);
    // A hand-edited 65576 must not turn into a plausible 40 by losing its high bits.
    if (v < std::numeric_limits<qint16>::min() || v > std::numeric_limits<qint16>::max())
        return 0;
    return static_cast<qint16>(v);
}

void TProfileForm::FillList()
{
    Combo->clear();
    // Nothing to list from a file that cannot be read; Load and Save say why.
    if (vard::iniReadProblem(m_fileName))
        return;
    QStringList names;
    for (const QString &name : vard::iniSections(m_fileName)) {
        // A second section of a name is never found by the file's lookup; an empty one
        // cannot be chosen by a name.
        const bool known = std::any_of(names.cbegin(), names.cend(), [&](const QString &n) {
            return n.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (!name.isEmpty() && !known)
            names.append(name);
    }
    // Alphabetical without regard to case, as the file matches names; hand-edited
    // lower-case names must not all sort after the upper-case ones.
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QString::localeAwareCompare(a.toCaseFolded(), b.toCaseFolded()) < 0;
    });
    Combo->addItems(names);
    if (Combo->count() > 0) {
        Combo->setCurrentIndex(0);
        ProfileName->setText(Combo->itemText(0));
    } else {
        ProfileName->clear();
    }
}

void TProfileForm::ComboSelect(int index)
{
    if (index >= 0)
        ProfileName->setText(Combo->itemText(index));
}

void TProfileForm::reportFailure(bool &reported) const
{
    if (reported)
        return;
    reported = true;
    if (m_debug && m_debug->Active())
        m_debug->AddTrace(tr("Error in profile file!"));
}

void TProfileForm::LoadClick()
{
    const QString section = SectionName(ProfileName->text());
    // Without a usable name nothing was loaded; staying open lets the operator type one.
    if (!IsStorableName(section))
        return;
    bool reported = false;
    // A profile file that is there but cannot be read is a failure, not an empty store:
    // loading zeros from it would switch the heater off on the strength of nothing.
    if (const auto problem = vard::iniReadProblem(m_fileName)) {
        reportFailure(reported);
        vard::ShowMessage(this, tr("Cannot read \"%1\": %2").arg(QDir::toNativeSeparators(m_fileName), *problem));
        return;
    }
    // Each value stands alone: one that cannot be read or applied leaves the others.
    auto apply = [&](const QString &key, const auto &set) {
        try {
            set(readStoredValue(m_fileName, section, key));
        } catch (const std::exception &) {
            reportFailure(reported);
        }
    };
    for (int n = 1; n <= 5; ++n)
        apply(QStringLiteral("T%1").arg(n), [&](qint16 v) { m_machine->SetTargetTemp(n, v); });
    for (int n = 1; n <= 3; ++n)
        apply(QStringLiteral("F%1").arg(n), [&](qint16 v) { m_machine->SetTargetFan(n, v); });
    apply(QStringLiteral("V1"), [&](qint16 v) { m_machine->SetTargetSpeed(1, v); });
    apply(QStringLiteral("H1"), [&](qint16 v) { m_machine->SetHeater(1, v); });
    apply(QStringLiteral("M1"), [&](qint16 v) { m_machine->SetAutoHeater(1, v); });
    m_machine->NoteEvent(tr("Profile loaded: %1").arg(section));
    emit m_machine->profileLoaded(section);
    accept();
}

void TProfileForm::SaveClick()
{
    const QString section = SectionName(ProfileName->text());
    if (!IsStorableName(section))
        return;
    // Right after a connection the table still holds zeros where the machine's values
    // have not come yet; stored, they would switch the heater off when loaded.
    if (!m_machine->ValuesKnown()) {
        vard::ShowMessage(this, tr("The machine's values have not all been read yet. Try again in a moment."));
        return;
    }
    vard::IniKeyValues values;
    for (int n = 1; n <= 5; ++n)
        values.append({QStringLiteral("T%1").arg(n), QString::number(m_machine->GetTargetTemp(n))});
    for (int n = 1; n <= 3; ++n)
        values.append({QStringLiteral("F%1").arg(n), QString::number(m_machine->GetTargetFan(n))});
    values.append({QStringLiteral("V1"), QString::number(m_machine->GetTargetSpeed(1))});
    values.append({QStringLiteral("H1"), QString::number(m_machine->GetHeater(1))});
    values.append({QStringLiteral("M1"), QString::number(m_machine->GetAutoHeater(1))});
    // One replacement of the file for all eleven keys: a profile is never left half old,
    // half new, and a file that refuses the write fails once.
    // A profile that was not stored must not look as if it were: the operator is told
    // why, and the dialog stays open to try again or quit.
    bool reported = false;
    try {
        vard::iniWrite(m_fileName, section, values);
    } catch (const vard::SettingsFileError &e) {
        reportFailure(reported);
        vard::ShowMessage(this, e.message());
        return;
    }
    m_machine->NoteEvent(tr("Profile saved: %1").arg(section));
    accept();
}

void TProfileForm::EraseClick()
{
    // Not upper-cased: the file's case-blind lookup finds the section either way.
    const QString name = TrimName(ProfileName->text());
    if (!name.isEmpty()) {
        try {
            vard::iniEraseSection(m_fileName, name);
        } catch (const std::exception &) {
            // The list rebuilt below shows the operator what the file still holds.
        }
    }
    FillList();
}

void TProfileForm::QuitClick()
{
    reject();
}

void ShowProfileDialog(QWidget *owner, TMachine *machine, TDebugForm *debug)
{
    if (!machine || !machine->IsConnected()) {
        vard::ShowNotConnected(owner);
        return;
    }
    TProfileForm dialog(machine, debug, owner);
    dialog.exec();
}
