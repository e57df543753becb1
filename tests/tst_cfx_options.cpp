// The line messaging settings as the operator edits them: the dialog's fields from
// "Vard.ini" and back, what "Ok" refuses, the connection test's outcome on screen, and
// the line in "Program options" that sums the settings up.

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "FileHelpers.h"
#include "app/GlobalUnit.h"
#include "app/IniFile.h"
#include "cfx/CfxSettings.h"
#include "ui/CfxOptionsUnit.h"
#include "ui/SettingsUnit.h"

namespace {

template <typename T> T *child(QWidget *w, const char *name)
{
    T *found = w->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qWarning("no %s in %s", name, qPrintable(w->objectName()));
    return found;
}

// Acts once on the modal window of that object name when it is up; gives up after a few
// seconds so a window that never comes fails the test instead of hanging it.
class WhenModal {
public:
    WhenModal(const QString &name, std::function<void(QWidget *)> act) : m_name(name), m_act(std::move(act))
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            QWidget *w = QApplication::activeModalWidget();
            if (w && w->isVisible() && w->objectName() == m_name) {
                m_timer.stop();
                m_seen = true;
                m_act(w);
            } else if (++m_polls > 800) {
                m_timer.stop();
            }
        });
        m_timer.start(5);
    }
    bool seen() const { return m_seen; }

private:
    QString m_name;
    std::function<void(QWidget *)> m_act;
    QTimer m_timer;
    int m_polls = 0;
    bool m_seen = false;
};

// A message box's "caption|text", answered with OK.
std::function<void(QWidget *)> readBox(QString *seen)
{
    return [seen](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        QVERIFY(box);
        *seen = box->windowTitle() + "|" + box->text();
        box->button(QMessageBox::Ok)->click();
    };
}

// A TCP port on the loopback interface. `listening`: a socket that takes connections
// and never says a word (the kernel completes the handshake, nobody reads); otherwise
// a port that was free a moment ago, where a connection is refused.
class LoopbackPort {
public:
    explicit LoopbackPort(bool listening)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0
            || ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
            return;
        m_port = ntohs(addr.sin_port);
        if (listening) {
            ::listen(m_fd, 8);
        } else {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~LoopbackPort()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LoopbackPort(const LoopbackPort &) = delete;
    LoopbackPort &operator=(const LoopbackPort &) = delete;
    int port() const { return m_port; }
    QString url() const { return QStringLiteral("amqp://127.0.0.1:%1").arg(m_port); }

private:
    int m_fd = -1;
    int m_port = 0;
};

// What the eye gets of a grab: the pixels that stand out from the background (the most
// common colour) by a contrast ratio of at least 3 — text one can read — and their mean
// colour.
struct Ink {
    int pixels = 0;
    QColor mean;
};

double luminance(QColor c)
{
    auto channel = [](int v) {
        const double x = v / 255.0;
        return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrast(QColor a, QColor b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Ink readableInk(const QImage &image)
{
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (const auto &[rgb, n] : counts) {
        if (n > most) {
            most = n;
            background = rgb;
        }
    }
    Ink ink;
    qint64 r = 0, g = 0, b = 0;
    for (const auto &[rgb, n] : counts) {
        if (contrast(QColor(rgb), QColor(background)) < 3.0)
            continue;
        ink.pixels += n;
        r += qint64(qRed(rgb)) * n;
        g += qint64(qGreen(rgb)) * n;
        b += qint64(qBlue(rgb)) * n;
    }
    if (ink.pixels > 0)
        ink.mean = QColor(int(r / ink.pixels), int(g / ink.pixels), int(b / ink.pixels));
    return ink;
}

bool reddish(QColor c)
{
    return c.red() > 2 * c.green() && c.red() > 2 * c.blue();
}

bool greenish(QColor c)
{
    return c.green() > c.red() * 3 / 2 && c.green() > c.blue() * 3 / 2;
}

const QByteArray kGeneral = "[General]\r\nLocaleID=1031\r\n";
const QByteArray kStoredCfx = "[CFX]\r\nBrokerUrl=amqp://old.line:5672\r\nUser=old\r\nPassword=oldpw\r\n"
                              "Target=/queue/old\r\nHandle=oven.old\r\nHeartbeatSeconds=30\r\n"
                              "ProcessDataSeconds=5\r\nSpoolLimitKB=2048\r\n";

} // namespace

class TestCfxOptions : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;

    QString ini() const { return m_home->filePath(QStringLiteral("Vard.ini")); }

    static void enter(TCfxOptionsForm &form, const QString &url, const QString &user, const QString &password,
                      const QString &target, const QString &handle, int heartbeat, int processData, int spool)
    {
        child<QLineEdit>(&form, "BrokerUrl")->setText(url);
        child<QLineEdit>(&form, "User")->setText(user);
        child<QLineEdit>(&form, "Password")->setText(password);
        child<QLineEdit>(&form, "Target")->setText(target);
        child<QLineEdit>(&form, "Handle")->setText(handle);
        child<QSpinBox>(&form, "Heartbeat")->setValue(heartbeat);
        child<QSpinBox>(&form, "ProcessData")->setValue(processData);
        child<QSpinBox>(&form, "SpoolLimit")->setValue(spool);
    }

private slots:
    void initTestCase() { QGuiApplication::setApplicationDisplayName(QStringLiteral("Vard")); }

    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        UseSettingsFolder(m_home->path());
    }

    void cleanup()
    {
        QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner);
        UseSettingsFolder(QString());
        m_home.reset();
    }

    // What the fields show: the stored settings, or the defaults without a [CFX]
    // section; the handle's placeholder is the one made from the computer's name.
    void fieldsShowStoredSettings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("texts"); // URL, user, password, target, handle
        QTest::addColumn<QList<int>>("numbers");
        QTest::addRow("no section") << kGeneral << QStringList{"", "", "", "/queue/cfx", ""} << QList<int>{60, 10, 16384};
        QTest::addRow("stored") << kGeneral + kStoredCfx
                                << QStringList{"amqp://old.line:5672", "old", "oldpw", "/queue/old", "oven.old"}
                                << QList<int>{30, 5, 2048};
        QTest::addRow("hand-edited, blanks and hexadecimal")
            << QByteArray("[cfx]\r\n brokerurl = amqps://b:5671 \r\nTARGET=/exchange/cfx\r\nHeartbeatSeconds=0x2D\r\n"
                          "ProcessDataSeconds=0\r\n")
            << QStringList{"amqps://b:5671", "", "", "/exchange/cfx", ""} << QList<int>{45, 0, 16384};
    }

    void fieldsShowStoredSettings()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, numbers);
        writeFile(ini(), file);
        TCfxOptionsForm form;
        QCOMPARE(child<QLineEdit>(&form, "BrokerUrl")->text(), texts[0]);
        QCOMPARE(child<QLineEdit>(&form, "User")->text(), texts[1]);
        QCOMPARE(child<QLineEdit>(&form, "Password")->text(), texts[2]);
        QCOMPARE(child<QLineEdit>(&form, "Password")->echoMode(), QLineEdit::Password);
        QCOMPARE(child<QLineEdit>(&form, "Target")->text(), texts[3]);
        QCOMPARE(child<QLineEdit>(&form, "Handle")->text(), texts[4]);
        QCOMPARE(child<QLineEdit>(&form, "BrokerUrl")->placeholderText(), QString("amqp://host:5672"));
        QCOMPARE(child<QLineEdit>(&form, "Handle")->placeholderText(), TCfxSettings().EffectiveHandle());
        QVERIFY(TCfxSettings().EffectiveHandle().startsWith("vard."));
        QCOMPARE(child<QSpinBox>(&form, "Heartbeat")->value(), numbers[0]);
        QCOMPARE(child<QSpinBox>(&form, "ProcessData")->value(), numbers[1]);
        QCOMPARE(child<QSpinBox>(&form, "SpoolLimit")->value(), numbers[2]);
        // 0 reads as "Off", not as a period of no seconds.
        QCOMPARE(child<QSpinBox>(&form, "ProcessData")->text(), numbers[1] == 0 ? QString("Off") : QString("%1 s").arg(numbers[1]));
    }

    // "Ok" writes what was typed into [CFX], other sections untouched; settings that do
    // not differ from the stored ones are not written at all.
    void okWritesSettings_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("changed");
        const QByteArray newCfx = "[CFX]\r\nBrokerUrl=amqp://broker.line:5672\r\nUser=oven7\r\nPassword=s3cr et\r\n"
                                  "Target=/exchange/cfx\r\nHandle=line3.oven7\r\nHeartbeatSeconds=0\r\n"
                                  "ProcessDataSeconds=15\r\nSpoolLimitKB=1024\r\n";
        const QStringList newTexts{" amqp://broker.line:5672 ", "oven7", "s3cr et", " /exchange/cfx", "line3.oven7 "};
        const QList<int> newNumbers{0, 15, 1024};
        QTest::addRow("new section at the end") << kGeneral << newTexts << newNumbers << kGeneral + newCfx << true;
        QTest::addRow("stored keys replaced in place, the next section kept")
            << kStoredCfx + "[General]\r\nLocaleID=1031\r\n" << newTexts << newNumbers
            << newCfx + "[General]\r\nLocaleID=1031\r\n" << true;
        QTest::addRow("Windows-1252 letters in the password")
            << kGeneral << QStringList{"amqp://b", "", QString::fromUtf8("pä€ss"), "/queue/cfx", ""}
            << QList<int>{60, 10, 16384}
            << kGeneral + "[CFX]\r\nBrokerUrl=amqp://b\r\nUser=\r\nPassword=p\xE4\x80ss\r\nTarget=/queue/cfx\r\nHandle=\r\n"
                          "HeartbeatSeconds=60\r\nProcessDataSeconds=10\r\nSpoolLimitKB=16384\r\n"
            << true;
        QTest::addRow("unchanged: nothing written")
            << kGeneral + kStoredCfx << QStringList{"amqp://old.line:5672 ", "old", "oldpw", "/queue/old", "oven.old"}
            << QList<int>{30, 5, 2048} << kGeneral + kStoredCfx << false;
        QTest::addRow("left off and no file: none made")
            << QByteArray() << QStringList{"", "", "", "/queue/cfx", ""} << QList<int>{60, 10, 16384} << QByteArray()
            << false;
    }

    void okWritesSettings()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, numbers);
        QFETCH(QByteArray, after);
        QFETCH(bool, changed);
        if (!before.isEmpty())
            writeFile(ini(), before);
        TCfxOptionsForm form;
        form.show();
        enter(form, texts[0], texts[1], texts[2], texts[3], texts[4], numbers[0], numbers[1], numbers[2]);
        QTest::mouseClick(child<QPushButton>(&form, "Ok"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.StoredChange(), changed);
        if (after.isEmpty())
            QVERIFY(!QFile::exists(ini()));
        else
            QCOMPARE(contents(ini()), after);
    }

    // What cannot be used, or would not come back from the file as typed, is refused
    // with a message; the dialog stays open and the file stays as it was.
    void okRefuses_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("says");
        QTest::addRow("not AMQP") << "BrokerUrl" << "http://x" << "amqp://";
        QTest::addRow("no host") << "BrokerUrl" << "amqp://" << "not valid";
        QTest::addRow("no host, port only") << "BrokerUrl" << "amqp://:5672" << "not valid";
        QTest::addRow("no target") << "Target" << "  " << "target";
        QTest::addRow("line break in the user") << "User" << "op\r\n[General]" << "line break";
        QTest::addRow("Cyrillic handle") << "Handle" << QString::fromUtf8("печь") << "cannot hold";
        QTest::addRow("password ending in a blank") << "Password" << "secret " << "blank";
        QTest::addRow("quoted password") << "Password" << "\"secret\"" << "quotes";
    }

    void okRefuses()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, says);
        writeFile(ini(), kGeneral + kStoredCfx);
        TCfxOptionsForm form;
        form.show();
        child<QLineEdit>(&form, field.toLatin1().constData())->setText(typed);
        QString seen;
        WhenModal box("messageBox", readBox(&seen));
        QTest::mouseClick(child<QPushButton>(&form, "Ok"), Qt::LeftButton);
        QVERIFY(box.seen());
        QVERIFY2(seen.startsWith("Error|") && seen.contains(says, Qt::CaseInsensitive), qPrintable(seen));
        QVERIFY(form.isVisible());
        QVERIFY(!form.StoredChange());
        QCOMPARE(contents(ini()), kGeneral + kStoredCfx);
        QTest::mouseClick(child<QPushButton>(&form, "Cancel"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(contents(ini()), kGeneral + kStoredCfx);
    }

    // A refused write is reported; the dialog stays open for another try or Cancel.
    void okReportsWriteFailure()
    {
        writeFile(ini(), kGeneral);
        QVERIFY(QFile::setPermissions(ini(), QFile::ReadOwner));
        TCfxOptionsForm form;
        form.show();
        child<QLineEdit>(&form, "BrokerUrl")->setText("amqp://broker");
        QString seen;
        WhenModal box("errorBox", readBox(&seen));
        QTest::mouseClick(child<QPushButton>(&form, "Ok"), Qt::LeftButton);
        QVERIFY(box.seen());
        QVERIFY2(seen.startsWith("Error|") && seen.contains(ini()), qPrintable(seen));
        QVERIFY(form.isVisible());
        QVERIFY(!form.StoredChange());
        QCOMPARE(contents(ini()), kGeneral);
    }

    // A test says how it went, in a colour one can read on a light window and on a dark
    // one — red when it failed, green when the broker took it — and gives the button
    // back: a refused connection, a peer that never answers (the timeout), settings that
    // cannot be tried at all, and the tests' broker (with VARD_TEST_BROKER_URL only). A
    // refusal or an acceptance is told when it happens, not when the timeout is up.
    void testConnection_data()
    {
        QTest::addColumn<QString>("peer"); // refused, silent, none (nothing tried) or broker
        QTest::addColumn<QString>("url");  // for peer "none"
        QTest::addColumn<QString>("says"); // empty: whatever the connection attempt says
        QTest::addColumn<bool>("dark");
        QTest::addColumn<int>("timeoutMs"); // the attempt's
        QTest::addColumn<int>("waitMs");    // how long the test waits for the outcome
        // A running attempt holds up the end of the program until its timeout, so the
        // timeouts are no longer than it takes to tell "at once" from "at the timeout".
        QTest::addRow("nobody listens") << "refused" << QString() << QString() << false << 6000 << 3000;
        QTest::addRow("nobody listens, dark window") << "refused" << QString() << QString() << true << 6000 << 3000;
        QTest::addRow("peer never answers") << "silent" << QString() << QString() << false << 1500 << 3500;
        QTest::addRow("no broker URL") << "none" << QString() << "no broker URL" << false << 6000 << 0;
        QTest::addRow("not AMQP") << "none" << "http://x" << "amqp://" << false << 6000 << 0;
        QTest::addRow("broker, light window") << "broker" << QString() << QString() << false << 15000 << 8000;
        QTest::addRow("broker, dark window") << "broker" << QString() << QString() << true << 15000 << 8000;
    }

    void testConnection()
    {
        QFETCH(QString, peer);
        QFETCH(QString, url);
        QFETCH(QString, says);
        QFETCH(bool, dark);
        QFETCH(int, timeoutMs);
        QFETCH(int, waitMs);
        const bool ok = peer == "broker";
        LoopbackPort port(peer == "silent");
        if (ok) {
            url = qEnvironmentVariable("VARD_TEST_BROKER_URL");
            if (url.isEmpty())
                QSKIP("no test broker (VARD_TEST_BROKER_URL; CTest runs tst_cfx_options_broker with one)");
        } else if (peer != "none") {
            QVERIFY(port.port() > 0);
            url = port.url();
        }
        TCfxOptionsForm form;
        form.SetTestTimeout(timeoutMs);
        if (dark) {
            QPalette night(QColor(0x3a, 0x3a, 0x3a));
            night.setColor(QPalette::Window, QColor(0x1e, 0x1e, 0x1e));
            night.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
            form.setPalette(night);
        }
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        child<QLineEdit>(&form, "BrokerUrl")->setText(url);
        if (ok) {
            child<QLineEdit>(&form, "User")->setText("guest");
            child<QLineEdit>(&form, "Password")->setText("guest");
        }
        auto *button = child<QPushButton>(&form, "TestConnection");
        auto *result = child<QLabel>(&form, "TestResult");
        QSignalSpy finished(&form, &TCfxOptionsForm::testFinished);
        QTest::mouseClick(button, Qt::LeftButton);
        if (peer != "none") {
            QVERIFY(!button->isEnabled());
            QCOMPARE(result->text(), QString("Connecting…"));
            // The outcome comes from the attempt itself, not from the dialog's own last
            // resort.
            QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), waitMs);
            QCOMPARE(finished.count(), 1);
            QVERIFY2(finished.at(0).at(0).toBool() == ok, qPrintable(result->text()));
            QVERIFY(!result->text().startsWith("No answer within"));
        }
        QVERIFY(button->isEnabled());
        QVERIFY(!result->text().isEmpty());
        QVERIFY(result->text() != "Connecting…");
        if (!says.isEmpty())
            QVERIFY2(result->text().contains(says, Qt::CaseInsensitive), qPrintable(result->text()));
        const Ink ink = readableInk(result->grab().toImage().convertToFormat(QImage::Format_RGB32));
        QVERIFY2(ink.pixels > 40, qPrintable(QString("%1 readable pixels").arg(ink.pixels)));
        QVERIFY2(ok ? greenish(ink.mean) : reddish(ink.mean), qPrintable(ink.mean.name()));
    }

    // Closing the dialog while a test runs: the late answer reaches nobody, the dialog
    // that stays in memory shows nothing of it, and nothing crashes.
    void closeDuringTest_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addRow("Cancel") << "Cancel";
        QTest::addRow("Escape") << "Escape";
        QTest::addRow("Ok") << "Ok";
        QTest::addRow("destroyed") << "destroyed";
    }

    void closeDuringTest()
    {
        QFETCH(QString, how);
        writeFile(ini(), kGeneral);
        LoopbackPort silent(true);
        QVERIFY(silent.port() > 0);
        auto form = std::make_unique<TCfxOptionsForm>();
        form->SetTestTimeout(800);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        child<QLineEdit>(form.get(), "BrokerUrl")->setText(silent.url());
        QSignalSpy finished(form.get(), &TCfxOptionsForm::testFinished);
        QTest::mouseClick(child<QPushButton>(form.get(), "TestConnection"), Qt::LeftButton);
        QVERIFY(form->Testing());
        QTest::qWait(100);
        if (how == "Cancel")
            QTest::mouseClick(child<QPushButton>(form.get(), "Cancel"), Qt::LeftButton);
        else if (how == "Escape")
            QTest::keyClick(form.get(), Qt::Key_Escape);
        else if (how == "Ok")
            QTest::mouseClick(child<QPushButton>(form.get(), "Ok"), Qt::LeftButton);
        else
            form.reset();
        if (form)
            QVERIFY(!form->isVisible());
        // Past the attempt's timeout, when its answer comes.
        QTest::qWait(800 + 1500);
        if (form) {
            QCOMPARE(finished.count(), 0);
            QVERIFY(child<QLabel>(form.get(), "TestResult")->text().isEmpty());
            QVERIFY(child<QPushButton>(form.get(), "TestConnection")->isEnabled());
        }
        QCOMPARE(contents(ini()).contains("BrokerUrl=" + silent.url().toLatin1()), how == "Ok");
    }

    // "Program options" sums the settings up in a line, opens the dialog from it, and
    // says (once) when changed settings were stored, with the line brought up to date.
    void programOptionsLine_data()
    {
        QTest::addColumn<QString>("typed"); // the broker URL typed in the dialog
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("changes");
        QTest::addColumn<QString>("after");
        const QString stored = "amqp://old.line:5672 → /queue/old, handle oven.old";
        QTest::addRow("changed and stored") << "amqp://new.line" << "Ok" << 1
                                            << "amqp://new.line → /queue/old, handle oven.old";
        QTest::addRow("cancelled") << "amqp://new.line" << "Cancel" << 0 << stored;
        QTest::addRow("unchanged") << "amqp://old.line:5672" << "Ok" << 0 << stored;
        QTest::addRow("switched off") << "" << "Ok" << 1 << "Off";
    }

    void programOptionsLine()
    {
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(int, changes);
        QFETCH(QString, after);
        writeFile(ini(), kGeneral + kStoredCfx);
        int called = 0;
        QString title, before, shown, afterwards;
        bool cfxSeen = false;
        WhenModal options("SettingsForm", [&](QWidget *w) {
            auto *group = child<QGroupBox>(w, "gbCfx");
            auto *summary = child<QLabel>(w, "CfxSummary");
            QVERIFY(group && summary);
            title = group->title();
            before = summary->text();
            WhenModal cfx("CfxOptionsForm", [&](QWidget *d) {
                shown = child<QLineEdit>(d, "BrokerUrl")->text();
                child<QLineEdit>(d, "BrokerUrl")->setText(typed);
                QTest::mouseClick(child<QPushButton>(d, button.toLatin1().constData()), Qt::LeftButton);
            });
            QTest::mouseClick(child<QPushButton>(w, "CfxSettings"), Qt::LeftButton);
            cfxSeen = cfx.seen();
            afterwards = summary->text();
            QTest::mouseClick(child<QPushButton>(w, "Cancel"), Qt::LeftButton);
        });
        ShowProgramOptions(nullptr, {}, [&called] { ++called; });
        QVERIFY(options.seen());
        QVERIFY(cfxSeen);
        QCOMPARE(title, QString(" Line messaging (CFX) "));
        QCOMPARE(before, QString("amqp://old.line:5672 → /queue/old, handle oven.old"));
        QCOMPARE(shown, QString("amqp://old.line:5672"));
        QCOMPARE(called, changes);
        QCOMPARE(afterwards, after);
        // What the line says is what the file now holds.
        QCOMPARE(TCfxSettings::Load().BrokerUrl, changes ? typed : QString("amqp://old.line:5672"));
    }
};

QTEST_MAIN(TestCfxOptions)
#include "tst_cfx_options.moc"
