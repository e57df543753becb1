#include "ui/LanguageUnit.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTranslator>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "app/GlobalUnit.h"

namespace {

struct LcidEntry {
    QLocale::Language language;
    QLocale::Territory territory;
    int id;
};

// The identifiers Windows gives these locales. A translation for a language alone
// ("vard_de.qm") stands for the language's main country.
constexpr LcidEntry kLcids[] = {
    {QLocale::English, QLocale::UnitedStates, 1033},   {QLocale::English, QLocale::UnitedKingdom, 2057},
    {QLocale::English, QLocale::Australia, 3081},      {QLocale::English, QLocale::Canada, 4105},
    {QLocale::German, QLocale::Germany, 1031},         {QLocale::German, QLocale::Switzerland, 2055},
    {QLocale::German, QLocale::Austria, 3079},         {QLocale::German, QLocale::Luxembourg, 4103},
    {QLocale::German, QLocale::Liechtenstein, 5127},   {QLocale::French, QLocale::France, 1036},
    {QLocale::French, QLocale::Belgium, 2060},         {QLocale::French, QLocale::Canada, 3084},
    {QLocale::French, QLocale::Switzerland, 4108},     {QLocale::Italian, QLocale::Italy, 1040},
    {QLocale::Italian, QLocale::Switzerland, 2064},    {QLocale::Spanish, QLocale::Spain, 3082},
    {QLocale::Spanish, QLocale::Mexico, 2058},         {QLocale::Dutch, QLocale::Netherlands, 1043},
    {QLocale::Dutch, QLocale::Belgium, 2067},          {QLocale::Portuguese, QLocale::Brazil, 1046},
    {QLocale::Portuguese, QLocale::Portugal, 2070},    {QLocale::Polish, QLocale::Poland, 1045},
    {QLocale::Czech, QLocale::CzechRepublic, 1029},    {QLocale::Slovak, QLocale::Slovakia, 1051},
    {QLocale::Hungarian, QLocale::Hungary, 1038},      {QLocale::Danish, QLocale::Denmark, 1030},
    {QLocale::Swedish, QLocale::Sweden, 1053},         {QLocale::NorwegianBokmal, QLocale::Norway, 1044},
    {QLocale::Finnish, QLocale::Finland, 1035},        {QLocale::Russian, QLocale::Russia, 1049},
    {QLocale::Turkish, QLocale::Turkey, 1055},         {QLocale::Romanian, QLocale::Romania, 1048},
    {QLocale::Slovenian, QLocale::Slovenia, 1060},     {QLocale::Croatian, QLocale::Croatia, 1050},
    {QLocale::Chinese, QLocale::China, 2052},          {QLocale::Chinese, QLocale::Taiwan, 1028},
    {QLocale::Japanese, QLocale::Japan, 1041},         {QLocale::Korean, QLocale::SouthKorea, 1042},
};

constexpr char kPrefix[] = "vard_";

// "Deutsch", or "Deutsch (Österreich)" for a country's own variant.
QString displayName(const QLocale &locale, bool countryVariant)
{
    // The language's own name for itself, not its variant's ("Österreichisches Deutsch").
    QString name = QLocale(locale.language()).nativeLanguageName();
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    if (countryVariant)
        name += QStringLiteral(" (%1)").arg(locale.nativeTerritoryName());
    return name;
}

bool loadQtTranslation(QTranslator &translator, const QLocale &locale, const QString &folder)
{
    // Debian keeps Qt's own translations with Qt; an installation may put them beside
    // the program.
    return translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder);
}

} // namespace

namespace vard {

int LocaleIdFor(const QLocale &locale)
{
    for (const LcidEntry &e : kLcids)
        if (e.language == locale.language() && e.territory == locale.territory())
            return e.id;
    return 0;
}

std::optional<QLocale> LocaleForId(int localeId)
{
    for (const LcidEntry &e : kLcids)
        if (e.id == localeId)
            return QLocale(e.language, e.territory);
    return std::nullopt;
}

} // namespace vard

TLanguageManager::TLanguageManager(const QString &folder) : m_folder(folder.isEmpty() ? ShippedDir() : folder) {}

TLanguageManager::~TLanguageManager()
{
    dropTranslators();
}

void TLanguageManager::dropTranslators()
{
    // The program-wide instance goes after the application object; a translator then
    // has nobody left to be removed from.
    if (QCoreApplication::instance()) {
        if (m_program)
            QCoreApplication::removeTranslator(m_program);
        if (m_qt)
            QCoreApplication::removeTranslator(m_qt);
    }
    delete m_program;
    delete m_qt;
    m_program = m_qt = nullptr;
}

TLanguageManager &TLanguageManager::Instance()
{
    static TLanguageManager manager;
    return manager;
}

QLocale TLanguageManager::BuiltInLocale()
{
    const QLocale system = QLocale::system();
    return system.language() == QLocale::English ? system : QLocale(QLocale::English, QLocale::UnitedStates);
}

QList<TLanguageInfo> TLanguageManager::Alternatives() const
{
    QList<TLanguageInfo> found;
    const QDir dir(m_folder);
    const QStringList files =
        dir.entryList({QString::fromLatin1(kPrefix) + QStringLiteral("*.qm")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString &file : files) {
        const QString code = QFileInfo(file).completeBaseName().mid(int(sizeof kPrefix) - 1);
        const QLocale locale(code);
        // An unknown code gives the C locale; English is the built-in language.
        if (code.isEmpty() || locale.language() == QLocale::C || locale.language() == QLocale::English)
            continue;
        const int id = vard::LocaleIdFor(locale);
        if (id == 0)
            continue; // no identifier to keep it by in the settings
        TLanguageInfo info;
        info.LocaleID = id;
        info.Locale = locale;
        info.FilePath = dir.filePath(file);
        info.DisplayName = displayName(locale, code.contains(u'_') || code.contains(u'-'));
        const bool known = std::any_of(found.cbegin(), found.cend(), [id](const TLanguageInfo &l) { return l.LocaleID == id; });
        if (!known)
            found.append(info);
    }
    return found;
}

QList<TLanguageInfo> TLanguageManager::Offered() const
{
    QList<TLanguageInfo> offered = Alternatives();
    TLanguageInfo builtIn;
    builtIn.LocaleID = 0;
    builtIn.Locale = BuiltInLocale();
    builtIn.DisplayName = QStringLiteral("English"); // in its own words, not "American English"
    offered.append(builtIn);
    std::sort(offered.begin(), offered.end(), [](const TLanguageInfo &a, const TLanguageInfo &b) {
        return QString::localeAwareCompare(a.DisplayName, b.DisplayName) < 0;
    });
    return offered;
}

bool TLanguageManager::Load(int localeId)
{
    if (localeId == 0) {
        dropTranslators();
        QLocale::setDefault(BuiltInLocale());
        m_current = 0;
        // Removing nothing sends no event; the windows still have to follow the locale.
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(qApp, &change);
        return true;
    }

    const QList<TLanguageInfo> languages = Alternatives();
    const auto it = std::find_if(languages.cbegin(), languages.cend(),
                                 [localeId](const TLanguageInfo &l) { return l.LocaleID == localeId; });
    if (it == languages.cend())
        return false;
    auto program = std::make_unique<QTranslator>();
    if (!program->load(it->FilePath))
        return false;
    auto qt = std::make_unique<QTranslator>();
    if (!loadQtTranslation(*qt, it->Locale, m_folder))
        qt.reset(); // Qt's own buttons then stay English; the program's texts still switch

    // The locale first, so the windows format with it when the translators' events
    // make them set their texts anew.
    QLocale::setDefault(it->Locale);
    dropTranslators();
    m_program = program.release();
    m_qt = qt.release();
    if (m_qt)
        QCoreApplication::installTranslator(m_qt);
    QCoreApplication::installTranslator(m_program);
    m_current = localeId;
    return true;
}

TLanguageDialog::TLanguageDialog(const QList<TLanguageInfo> &languages, int currentLocaleId, QWidget *parent)
    : QDialog(parent), m_languages(languages)
{
    setObjectName(QStringLiteral("LanguageForm"));
    setWindowTitle(tr("Select Language"));
    auto *layout = new QVBoxLayout(this);
    lstLanguages = new QListWidget(this);
    lstLanguages->setObjectName(QStringLiteral("lstLanguages"));
    int selected = 0;
    for (qsizetype i = 0; i < m_languages.size(); ++i) {
        lstLanguages->addItem(m_languages[i].DisplayName);
        if (m_languages[i].LocaleID == currentLocaleId)
            selected = int(i);
    }
    if (!m_languages.isEmpty())
        lstLanguages->setCurrentRow(selected);
    layout->addWidget(lstLanguages);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lstLanguages, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    resize(260, 220);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

int TLanguageDialog::SelectedLocaleID() const
{
    const int row = lstLanguages->currentRow();
    return row >= 0 && row < m_languages.size() ? m_languages[row].LocaleID : -1;
}
