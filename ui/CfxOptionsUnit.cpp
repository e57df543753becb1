#include "ui/CfxOptionsUnit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "app/IniFile.h"
#include "app/TextCodec.h"
#include "cfx/CfxLink.h"
#include "ui/MessageBoxes.h"
#include "ui/widgets/Placement.h"

namespace {

// A day: longer periods are no heartbeat to anybody.
constexpr int kMaxPeriodSeconds = 24 * 60 * 60;
constexpr int kMinSpoolKB = 64;
constexpr int kMaxSpoolKB = 4 * 1024 * 1024;
// The test itself gives up after its timeout; this is only for an answer that never
// comes, so the button does not stay disabled for good.
constexpr int kTestGraceMs = 3000;

bool sameSettings(const TCfxSettings &a, const TCfxSettings &b)
{
    return a.BrokerUrl == b.BrokerUrl && a.User == b.User && a.Password == b.Password && a.Target == b.Target
           && a.Handle == b.Handle && a.HeartbeatSeconds == b.HeartbeatSeconds
           && a.ProcessDataSeconds == b.ProcessDataSeconds && a.SpoolLimitKB == b.SpoolLimitKB;
}

// Blanks as the settings file trims them from both ends of a value.
bool isFileBlank(QChar c)
{
    return c.isSpace();
}

} // namespace

TCfxOptionsForm::TCfxOptionsForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CfxOptionsForm"));

    auto makeLabel = [this](const char *name) {
        auto *l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto makeEdit = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMinimumWidth(320);
        return e;
    };
    auto makeSpin = [this](const char *name, int minimum, int maximum) {
        auto *s = new QSpinBox(this);
        s->setObjectName(QString::fromLatin1(name));
        s->setRange(minimum, maximum);
        s->setAccelerated(true);
        return s;
    };

    lBrokerUrl = makeLabel("lBrokerUrl");
    BrokerUrl = makeEdit("BrokerUrl");
    lUser = makeLabel("lUser");
    User = makeEdit("User");
    lPassword = makeLabel("lPassword");
    Password = makeEdit("Password");
    Password->setEchoMode(QLineEdit::Password);
    lTarget = makeLabel("lTarget");
    Target = makeEdit("Target");
    lHandle = makeLabel("lHandle");
    Handle = makeEdit("Handle");
    lHeartbeat = makeLabel("lHeartbeat");
    Heartbeat = makeSpin("Heartbeat", 0, kMaxPeriodSeconds);
    lProcessData = makeLabel("lProcessData");
    ProcessData = makeSpin("ProcessData", 0, kMaxPeriodSeconds);
    lSpoolLimit = makeLabel("lSpoolLimit");
    SpoolLimit = makeSpin("SpoolLimit", kMinSpoolKB, kMaxSpoolKB);
    SpoolLimit->setSingleStep(1024);

    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->addRow(lBrokerUrl, BrokerUrl);
    form->addRow(lUser, User);
    form->addRow(lPassword, Password);
    form->addRow(lTarget, Target);
    form->addRow(lHandle, Handle);
    form->addRow(lHeartbeat, Heartbeat);
    form->addRow(lProcessData, ProcessData);
    form->addRow(lSpoolLimit, SpoolLimit);
    const struct {
        QLabel *label;
        QWidget *field;
    } buddies[] = {{lBrokerUrl, BrokerUrl}, {lUser, User},       {lPassword, Password},
                   {lTarget, Target},       {lHandle, Handle},   {lHeartbeat, Heartbeat},
                   {lProcessData, ProcessData}, {lSpoolLimit, SpoolLimit}};
    for (const auto &b : buddies)
        b.label->setBuddy(b.field);

    TestConnection = new QPushButton(this);
    TestConnection->setObjectName(QStringLiteral("TestConnection"));
    TestConnection->setAutoDefault(true);
    TestResult = new QLabel(this);
    TestResult->setObjectName(QStringLiteral("TestResult"));
    // A broker's reason can be a sentence or two.
    TestResult->setWordWrap(true);
    TestResult->setMinimumWidth(280);
    TestResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *testRow = new QHBoxLayout;
    testRow->addWidget(TestConnection, 0, Qt::AlignTop);
    testRow->addWidget(TestResult, 1);

    QHBoxLayout *buttons = vard::OkCancelRow(this, Ok, Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(testRow);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    connect(TestConnection, &QPushButton::clicked, this, &TCfxOptionsForm::TestClick);
    connect(Ok, &QPushButton::clicked, this, &TCfxOptionsForm::OkClick);
    connect(Cancel, &QPushButton::clicked, this, &TCfxOptionsForm::CancelClick);

    retranslateUi();
    FormCreate();
}

TCfxOptionsForm::~TCfxOptionsForm()
{
    StopTest();
}

void TCfxOptionsForm::retranslateUi()
{
    setWindowTitle(tr("Line messaging (CFX)"));
    lBrokerUrl->setText(tr("&Broker URL:"));
    BrokerUrl->setPlaceholderText(tr("amqp://host:5672"));
    lUser->setText(tr("&User:"));
    User->setPlaceholderText(tr("anonymous"));
    lPassword->setText(tr("&Password:"));
    lTarget->setText(tr("&Target address:"));
    Target->setPlaceholderText(tr("/queue/cfx or /exchange/cfx"));
    lHandle->setText(tr("Endpoint &handle:"));
    lHeartbeat->setText(tr("H&eartbeat period:"));
    Heartbeat->setSuffix(tr(" s"));
    Heartbeat->setSpecialValueText(tr("Off"));
    lProcessData->setText(tr("Process &data interval:"));
    ProcessData->setSuffix(tr(" s"));
    ProcessData->setSpecialValueText(tr("Off"));
    lSpoolLimit->setText(tr("&Spool limit:"));
    SpoolLimit->setSuffix(tr(" KB"));
    TestConnection->setText(tr("Test &connection"));
    if (m_result == Result::Running)
        TestResult->setText(tr("Connecting…"));
    Ok->setText(tr("Ok"));
    Cancel->setText(tr("Cancel"));
}

void TCfxOptionsForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    // The outcome's colour is chosen against the window's background.
    if (event->type() == QEvent::PaletteChange && m_result != Result::None)
        ShowResult(m_result, TestResult->text());
    QDialog::changeEvent(event);
}

void TCfxOptionsForm::FormCreate()
{
    m_loaded = TCfxSettings::Load();
    BrokerUrl->setText(m_loaded.BrokerUrl);
    User->setText(m_loaded.User);
    Password->setText(m_loaded.Password);
    Target->setText(m_loaded.Target);
    Handle->setText(m_loaded.Handle);
    // What an empty field means: the handle made from this computer's name.
    TCfxSettings unnamed = m_loaded;
    unnamed.Handle.clear();
    Handle->setPlaceholderText(unnamed.EffectiveHandle());
    Heartbeat->setValue(m_loaded.HeartbeatSeconds);
    ProcessData->setValue(m_loaded.ProcessDataSeconds);
    SpoolLimit->setValue(m_loaded.SpoolLimitKB);
}

TCfxSettings TCfxOptionsForm::EnteredSettings() const
{
    TCfxSettings s;
    s.BrokerUrl = BrokerUrl->text().trimmed();
    // A user name or password is taken as typed; FieldProblem refuses what the file
    // would not give back so.
    s.User = User->text();
    s.Password = Password->text();
    s.Target = Target->text().trimmed();
    s.Handle = Handle->text().trimmed();
    s.HeartbeatSeconds = Heartbeat->value();
    s.ProcessDataSeconds = ProcessData->value();
    s.SpoolLimitKB = SpoolLimit->value();
    return s;
}

QString TCfxOptionsForm::FieldProblem(const QString &fieldName, const QString &value)
{
    // A line break would end the line in "Vard.ini" and start a key of its own.
    if (value.contains(u'\r') || value.contains(u'\n') || value.contains(QChar(u'\0')))
        return tr("%1 must not contain a line break or a NUL character.").arg(fieldName);
    const QString lost = vard::uncodableInCp1252(value);
    if (!lost.isEmpty())
        return tr("%1 contains characters that the settings file cannot hold: %2").arg(fieldName, lost);
    // The file trims a value and takes one pair of enclosing quotes off when it is read,
    // so such a value would come back as another one (a password that no longer works).
    if (!value.isEmpty() && (isFileBlank(value.front()) || isFileBlank(value.back())))
        return tr("%1 must not begin or end with a blank: the settings file would not keep it.").arg(fieldName);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return tr("%1 must not be enclosed in quotes: the settings file would not keep them.").arg(fieldName);
    return QString();
}

QString TCfxOptionsForm::EnteredProblem() const
{
    const TCfxSettings s = EnteredSettings();
    const struct {
        QString name;
        QString value;
    } fields[] = {{tr("The broker URL"), s.BrokerUrl}, {tr("The user name"), s.User},
                  {tr("The password"), s.Password},    {tr("The target address"), s.Target},
                  {tr("The endpoint handle"), s.Handle}};
    for (const auto &f : fields) {
        const QString problem = FieldProblem(f.name, f.value);
        if (!problem.isEmpty())
            return problem;
    }
    return s.Problem();
}

void TCfxOptionsForm::ShowResult(Result result, const QString &text)
{
    m_result = result;
    TestResult->setText(text);
    QPalette p; // only the colour set here; everything else follows the window
    if (result == Result::Ok || result == Result::Failed) {
        // Dark enough to read on a light window, light enough on a dark one.
        const bool darkWindow = palette().color(QPalette::Window).lightness() < 128;
        QColor colour;
        if (result == Result::Ok)
            colour = darkWindow ? QColor(0x7c, 0xd9, 0x7c) : QColor(0x1a, 0x7f, 0x1a);
        else
            colour = darkWindow ? QColor(0xff, 0x7b, 0x7b) : QColor(0xc0, 0x10, 0x10);
        p.setColor(QPalette::WindowText, colour);
        p.setColor(QPalette::Text, colour);
    }
    TestResult->setPalette(p);
}

void TCfxOptionsForm::TestClick()
{
    if (m_test)
        return;
    const QString problem = EnteredProblem();
    if (!problem.isEmpty() || !EnteredSettings().Enabled()) {
        ShowResult(Result::Failed, problem.isEmpty() ? tr("There is no broker URL to connect to.") : problem);
        return;
    }
    auto *test = new QObject(this);
    m_test = test;
    TestConnection->setEnabled(false);
    ShowResult(Result::Running, tr("Connecting…"));
    vard::cfx::TestConnection(
        EnteredSettings(), test,
        [this, test](bool ok, const QString &message) {
            if (m_test == test)
                EndTest(ok, message);
        },
        m_testTimeoutMs);
    QTimer::singleShot(m_testTimeoutMs + kTestGraceMs, test, [this, test] {
        if (m_test == test)
            EndTest(false, tr("No answer within %1 s.").arg((m_testTimeoutMs + kTestGraceMs + 999) / 1000));
    });
}

void TCfxOptionsForm::EndTest(bool ok, const QString &message)
{
    StopTest();
    TestConnection->setEnabled(true);
    const QString text = !message.isEmpty() ? message : ok ? tr("Connected.") : tr("The connection failed.");
    ShowResult(ok ? Result::Ok : Result::Failed, text);
    emit testFinished(ok, text);
}

void TCfxOptionsForm::StopTest()
{
    // Later, not now: this may run inside the test's own answer.
    if (QObject *test = m_test.data())
        test->deleteLater();
    m_test = nullptr;
}

void TCfxOptionsForm::OkClick()
{
    const QString problem = EnteredProblem();
    if (!problem.isEmpty()) {
        vard::ShowMessage(this, problem);
        return;
    }
    const TCfxSettings entered = EnteredSettings();
    // Unchanged settings are not written: "Ok" on a program that never published leaves
    // no section behind, and a read-only settings folder costs nothing.
    if (!sameSettings(entered, m_loaded)) {
        try {
            entered.Save();
        } catch (const vard::SettingsFileError &e) {
            // The dialog stays open: the operator can try again once the folder is
            // writable, or cancel.
            vard::ReportError(this, e.message());
            return;
        }
        m_loaded = entered;
        m_storedChange = true;
    }
    accept();
}

void TCfxOptionsForm::CancelClick()
{
    reject();
}

void TCfxOptionsForm::done(int result)
{
    // An answer after the window closed has nothing left to show.
    if (m_test) {
        StopTest();
        TestConnection->setEnabled(true);
        ShowResult(Result::None, QString());
    }
    QDialog::done(result);
}

bool ShowCfxOptions(QWidget *owner)
{
    TCfxOptionsForm dialog(owner);
    vard::CentreOnScreen(&dialog, owner);
    dialog.exec();
    return dialog.StoredChange();
}

QString CfxSummary(const TCfxSettings &settings)
{
    if (!settings.Enabled())
        return QCoreApplication::translate("TCfxOptionsForm", "Off");
    return QCoreApplication::translate("TCfxOptionsForm", "%1 → %2, handle %3")
        .arg(settings.BrokerUrl.trimmed(), settings.Target.trimmed(), settings.EffectiveHandle());
}
