// The main window and the edit dialog, driven like the operator drives them, with a
// machine object fed by a scripted link: the status panel, the send button, the
// operation time, the heater, the quit question, both views and the edit dialog.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include "FileHelpers.h"
#include "ModalHelpers.h"
#include "PixelHelpers.h"
#include "ScriptedMachine.h"
#include "app/GlobalUnit.h"
#include "ui/EditUnit.h"
#include "ui/MainUnit.h"
#include "ui/widgets/PaintBox.h"
#include "ui/widgets/Placement.h"
#include "ui/widgets/PictureView.h"

namespace {

QColor pixel(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<Rig> m_rig;
    std::unique_ptr<TMainWindow> m_window;

    template <typename T> T *child(const char *name) { return m_window->findChild<T *>(QString::fromLatin1(name)); }

    void makeWindow()
    {
        m_window.reset(); // the window goes before the machine it shows
        m_rig = std::make_unique<Rig>();
        m_window = std::make_unique<TMainWindow>(&m_rig->machine);
        m_window->resize(800, 600);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void up(const QByteArray &ident, const QByteArray &settings)
    {
        m_rig->bringUp(ident, settings);
        m_window->RefreshScreen();
    }

    void showPage(int page)
    {
        child<QTabWidget>("pctrlMain")->setCurrentIndex(page);
        m_window->RefreshScreen();
    }

    QImage textual()
    {
        showPage(1);
        return child<PaintBox>("PaintBox")->canvas();
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
        makeWindow();
    }

    void cleanup()
    {
        m_window.reset();
        m_rig.reset();
        qunsetenv("VARD_HOME");
    }

    // ------------------------------------------------------------ alarms

    // Hood open / emergency off and zone errors in a red strip above the views while
    // they last, the zones named; the strip covers nothing of the views: the textual
    // view's headline stays readable under it.
    void alarmBanner()
    {
        up("4QTR A", kQtrSettings);
        showPage(1);
        m_rig->values("A:S1=66;S2=1;");
        m_window->RefreshScreen();
        auto *banner = child<QLabel>("lblAlarm");
        auto *pages = child<QTabWidget>("pctrlMain");
        QVERIFY(banner && banner->isVisible());
        QCOMPARE(banner->text(), QString("Hood open / Emergency off  —  Preheat 2: error"));
        const QRect bannerArea(banner->mapTo(m_window.get(), QPoint(0, 0)), banner->size());
        const QRect pagesArea(pages->mapTo(m_window.get(), QPoint(0, 0)), pages->size());
        QVERIFY(!bannerArea.intersects(pagesArea));
        const QImage shot = m_window->grab().toImage();
        QCOMPARE(shot.pixelColor(bannerArea.left() + 4, bannerArea.center().y()), QColor(0xc8, 0x1e, 0x1e));
        // The red hood headline, drawn at the top of the textual view, is on the screen.
        auto *box = child<PaintBox>("PaintBox");
        const QPoint boxAt = box->mapTo(m_window.get(), QPoint(0, 0));
        const QRect headline(boxAt.x(), boxAt.y(), box->width(), 40);
        QVERIFY2(pixelsNear(shot, QColor(255, 0, 0), 30, headline.intersected(shot.rect())) > 40,
                 "the headline is hidden");

        m_rig->values("A:S1=0;S2=0;");
        m_window->RefreshScreen();
        QVERIFY(!banner->isVisible());
    }

    // A zone whose error bit is set is drawn as in error in both views, even when its
    // state bit says it is in order.
    void zoneInErrorLooksLikeIt()
    {
        up("4QTR A", kQtrSettings);
        m_rig->values("A:T3=180;S1=64;S2=0;"); // Preheat 2: error, every zone ready
        const QImage canvas = textual();
        const TZone *preheat2 = m_rig->machine.GetZone(2);
        const int barY = preheat2->ViewBottom - 3;
        QCOMPARE(pixel(canvas, (preheat2->ViewLeft + preheat2->ViewRight) / 2, barY), QColor(255, 0, 0));
        const TZone *preheat1 = m_rig->machine.GetZone(1);
        QCOMPARE(pixel(canvas, (preheat1->ViewLeft + preheat1->ViewRight) / 2, barY), QColor(0, 127, 0));
        showPage(0);
        auto *label = child<QLabel>("lblTemp2");
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(128, 0, 0));
        QCOMPARE(child<QLabel>("lblTemp1")->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    }

    // Values that wait to be sent are marked in both views, counted beside "Send
    // Values", and quitting with them asks about them.
    void queuedValuesAreMarked()
    {
        up("4QTR A", kQtrSettings);
        m_rig->values("A:T2=120;F1=70;H1=1;S1=0;S2=0;");
        m_window->SetCurrentZone(1);
        m_rig->machine.SetTargetTemp(2, 200);
        m_rig->machine.SetTargetFan(1, 80);
        m_window->RefreshScreen();
        QCOMPARE(child<QPushButton>("SendTarget")->text(), QString("Send Values (2)"));
        QCOMPARE(child<QLabel>("lblTemp1")->text(), QString("120°C → 200"));
        QCOMPARE(child<QLabel>("lblFan1")->text(), QString("70 % → 80"));
        QString seen;
        answerBox(QMessageBox::No, &seen);
        m_window->close();
        QVERIFY(m_window->isVisible());
        QVERIFY2(seen.contains("2 changed values have not been sent"), qPrintable(seen));
        // Sent and accepted: nothing marked any more.
        m_rig->machine.SendPendingValues();
        m_rig->tick();
        m_rig->answer("A:S1=0;S2=0;");
        m_rig->tick();
        m_rig->tick();
        m_rig->answer("A:ERR=0;");
        m_rig->tick();
        m_window->RefreshScreen();
        QCOMPARE(child<QPushButton>("SendTarget")->text(), QString("Send Values"));
        QVERIFY(!child<QLabel>("lblTemp1")->text().contains(u'→'));
    }

    // A press on a value of the picture does what a press on the zone's block does.
    void graphicPressOpensEditDialog()
    {
        up("4QTR A", kQtrSettings);
        showPage(0);
        QString zoneLabel;
        whenModal([&zoneLabel](QWidget *w) {
            if (auto *l = w->findChild<QLabel *>("ZoneLabelStr"))
                zoneLabel = l->text();
            w->close();
        });
        QTest::mouseClick(child<QLabel>("lblFan3"), Qt::LeftButton);
        QCOMPARE(m_window->CurrentZone(), 3);
        QCOMPARE(zoneLabel, QString("Edit values for zone:  Peak"));
    }

    // The menus open from the keyboard: Alt and a letter, and F10.
    void menusFromTheKeyboard()
    {
        QCOMPARE(child<QMenu>("menuFile")->title(), QString("&File"));
        QCOMPARE(child<QMenu>("menuExtra")->title(), QString("&Extras"));
        m_window->activateWindow();
        QTest::keyClick(m_window.get(), Qt::Key_F10);
        QTRY_VERIFY(m_window->menuBar()->activeAction() == child<QMenu>("menuFile")->menuAction());
        child<QMenu>("menuFile")->hide();
    }

    // ------------------------------------------------------------ status and panel

    // The line messaging's state at the right of the status bar, drawn in the bar's text
    // colour; nothing of it without a broker. The two panels keep their place.
    void cfxStatusInTheStatusBar()
    {
        auto *cfx = child<QLabel>("StatusCfx");
        QVERIFY(cfx);
        QVERIFY(!cfx->isVisible());
        auto *panel0 = child<QLabel>("StatusPanel0");
        const QPoint panelAt = panel0->pos();
        m_window->SetCfxStatus(QStringLiteral("CFX: no broker (12 waiting)"));
        QVERIFY(cfx->isVisible());
        QCOMPARE(panel0->pos(), panelAt);
        QVERIFY(cfx->geometry().left() > child<QLabel>("StatusPanel1")->geometry().right());
        const QImage shot = m_window->grab().toImage();
        const QRect area(cfx->mapTo(m_window.get(), QPoint(0, 0)), cfx->size());
        const QColor ink = cfx->palette().color(QPalette::WindowText);
        QVERIFY2(pixelsNear(shot, ink, 60, area) > 30, "the state is not drawn readably");
        QVERIFY(cfx->width() >= cfx->fontMetrics().horizontalAdvance(cfx->text()));
        m_window->SetCfxStatus(QString());
        QVERIFY(!cfx->isVisible());
    }

    void scanningBlinks()
    {
        auto *off = child<ShapeWidget>("ConnectOff");
        auto *on = child<ShapeWidget>("ConnectOn");
        QStringList texts;
        QList<bool> lamps;
        for (int i = 0; i < 4; ++i) {
            m_window->RefreshScreen();
            texts << m_window->StatusText(0);
            lamps << off->isVisible();
            QVERIFY(!on->isVisible());
        }
        QCOMPARE(texts[0] == "Scanning ..." ? texts : texts.mid(1) + texts.mid(0, 1),
                 (QStringList{"Scanning ...", "", "Scanning ...", ""}));
        QCOMPARE(lamps[0], texts[0] == "Scanning ...");
        QCOMPARE(lamps[1], !lamps[0]);
        QCOMPARE(lamps[2], lamps[0]);

        up("4QTR SIM 1.00", kQtrSettings);
        QCOMPARE(m_window->StatusText(0), QString("4QTR SIM 1.00"));
        QVERIFY(on->isVisible());
        QVERIFY(!off->isVisible());
    }

    void sendButtonBlinksWhileSettingsWait()
    {
        up("4QTR A", kQtrSettings);
        auto *send = child<QPushButton>("SendTarget");
        auto *frame = child<ShapeWidget>("SendTargetFrame");
        QVERIFY(!send->isEnabled());
        QVERIFY(!frame->isVisible());
        m_rig->machine.SetTargetSpeed(1, 40);
        QList<bool> shown;
        for (int i = 0; i < 3; ++i) {
            m_window->RefreshScreen();
            QVERIFY(send->isEnabled());
            shown << frame->isVisible();
        }
        QCOMPARE(shown, (QList<bool>{true, false, true}));

        QTest::mouseClick(send, Qt::LeftButton);
        QVERIFY(m_rig->machine.SendRequested());
        m_rig->tick();
        m_rig->answer("A:T1=1;");
        m_rig->tick();
        QCOMPARE(m_rig->tick(), withCheck("W:V1=40;"));
        m_rig->answer("A:ERR=0;");
        m_rig->tick();
        m_window->RefreshScreen();
        QVERIFY(!send->isEnabled());
        QVERIFY(!frame->isVisible());
    }

    void operationTime_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("shown");
        QTest::addRow("59") << 59 << "0h 59m";
        QTest::addRow("60") << 60 << "1h 0m";
        QTest::addRow("125") << 125 << "2h 5m";
        QTest::addRow("negative, toward zero") << -61 << "-1h -1m";
    }

    void operationTime()
    {
        QFETCH(int, minutes);
        QFETCH(QString, shown);
        up("4QTR A", kQtrSettings);
        m_rig->values("A:S3=" + QByteArray::number(minutes) + ";");
        m_window->RefreshScreen();
        auto *time = child<QLabel>("MachineTime");
        QCOMPARE(time->text(), shown);
        QVERIFY(time->isVisible());
        QVERIFY(child<QLabel>("MachineTimeStr")->isVisible());
    }

    void operationTimeOnlyFor4QTR()
    {
        up("362.10 A", k362Settings);
        QVERIFY(!child<QLabel>("MachineTime")->isVisible());
        QVERIFY(!child<QLabel>("MachineTimeStr")->isVisible());
        QVERIFY(!child<ShapeWidget>("MachineTimeShape")->isVisible());
    }

    // Each press reads the queued setting, so two presses queue on, then off.
    // Each press toggles what the last one queued, starting from the heater the
    // machine reported; before it has reported one, nothing is guessed.
    void heaterTwice()
    {
        up("4QTR A", kQtrSettings);
        auto *heater = child<QPushButton>("Heater");
        QString seen;
        answerBox(QMessageBox::Ok, &seen);
        QTest::mouseClick(heater, Qt::LeftButton);
        QVERIFY2(seen.contains("has not been read from the machine yet"), qPrintable(seen));
        QVERIFY(!m_rig->machine.HasPendingValues());
        m_rig->values("A:H1=1;S1=0;S2=0;");
        QTest::mouseClick(heater, Qt::LeftButton);
        QTest::mouseClick(heater, Qt::LeftButton);
        QCOMPARE(m_rig->machine.PendingCommand(), QByteArray("W:H1=0;H1=1;"));
        QCOMPARE(m_window->CurrentZone(), 8);
        QVERIFY(!m_rig->machine.SendRequested()); // only "Send Values" sends
    }

    void heaterWithoutMachine()
    {
        QString seen;
        answerBox(QMessageBox::Ok, &seen);
        QTest::mouseClick(child<QPushButton>("Heater"), Qt::LeftButton);
        QCOMPARE(seen, QString("Error|Machine is not connected!"));
        QVERIFY(!m_rig->machine.HasPendingValues());
    }

    void quitQuestion_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("yes");
        for (const char *how : {"exit", "escape", "close box"}) {
            QTest::addRow("%s, No", how) << QString(how) << false;
            QTest::addRow("%s, Yes", how) << QString(how) << true;
        }
    }

    void quitQuestion()
    {
        QFETCH(QString, how);
        QFETCH(bool, yes);
        QString seen;
        answerBox(yes ? QMessageBox::Yes : QMessageBox::No, &seen);
        if (how == "exit")
            child<QAction>("menuFileExit")->trigger();
        else if (how == "escape")
            QTest::keyClick(child<QComboBox>("SelectZone"), Qt::Key_Escape);
        else
            m_window->close();
        QTRY_VERIFY(!seen.isEmpty());
        QCOMPARE(seen, QString("Please confirm|Do you really want to quit the application?"));
        QCOMPARE(m_window->isVisible(), !yes);
    }

    void debugMenuByKey_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("visible");
        QTest::addRow("no section") << QByteArray() << false;
        QTest::addRow("access value") << QByteArray("[Debug]\r\nDebug=-7\r\n") << true;
        QTest::addRow("another value") << QByteArray("[Debug]\r\nDebug=7\r\n") << false;
    }

    void debugMenuByKey()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, visible);
        QFile f(m_home->filePath("Vard.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ini);
        f.close();
        makeWindow();
        QCOMPARE(m_window->DebugMode(), visible);
        QCOMPARE(child<QMenu>("menuDebug")->menuAction()->isVisible(), visible);
    }

    void positionSavedAndRestored()
    {
        m_window->move(40, 30);
        m_window->resize(700, 500);
        m_window.reset();
        QFile f(m_home->filePath("Vard.pos"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().startsWith("[MainWindow]\r\n"));
        makeWindow();
        QCOMPARE(m_window->size(), QSize(800, 600)); // makeWindow resizes after the restore
        const TWindowPos pos = ReadWindowPos("MainWindow");
        QCOMPARE(pos.Width, 700);
        QCOMPARE(pos.Height, 500);
    }

    void refreshRate_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("period");
        QTest::addRow("no key") << QByteArray() << 500;
        QTest::addRow("250") << QByteArray("[MainWindow]\r\nRefreshRate=250\r\n") << 250;
        QTest::addRow("0 would be a busy loop") << QByteArray("[MainWindow]\r\nRefreshRate=0\r\n") << 500;
        QTest::addRow("negative would freeze") << QByteArray("[MainWindow]\r\nRefreshRate=-5\r\n") << 500;
    }

    // Without a machine every refresh flips the scanning lamp: the screen goes on
    // refreshing, and no more often than the period allows.
    void refreshRate()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, period);
        writeFile(m_home->filePath("Vard.ini"), ini);
        makeWindow();
        QCOMPARE(m_window->RefreshRate(), period);
        auto *lamp = child<ShapeWidget>("ConnectOff");
        int flips = 0;
        struct Counter : QObject {
            int *flips;
            explicit Counter(int *f) : flips(f) {}
            bool eventFilter(QObject *, QEvent *e) override
            {
                *flips += e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent;
                return false;
            }
        } filter(&flips);
        lamp->installEventFilter(&filter);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(flips >= 2, 10 * period);
        QVERIFY2(flips <= clock.elapsed() / period + 2,
                 qPrintable(QString("%1 refreshes in %2 ms").arg(flips).arg(clock.elapsed())));
        lamp->removeEventFilter(&filter);
    }

    // ------------------------------------------------------------ window position

    void fitOntoScreens_data()
    {
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("wanted");
        QTest::addColumn<QRect>("fitted");
        const QList<QRect> one{QRect(0, 0, 1280, 1024)};
        const QList<QRect> two{QRect(0, 0, 1280, 1024), QRect(1280, 0, 1920, 1080)};
        QTest::addRow("on the screen") << one << QRect(100, 50, 800, 600) << QRect(100, 50, 800, 600);
        QTest::addRow("partly off, still in reach") << one << QRect(1000, 20, 800, 600) << QRect(1000, 20, 800, 600);
        QTest::addRow("Left=3000 on a 1280 wide screen") << one << QRect(3000, 50, 800, 600)
                                                         << QRect(480, 50, 800, 600);
        QTest::addRow("a sliver is out of reach") << one << QRect(1270, 50, 800, 600) << QRect(480, 50, 800, 600);
        QTest::addRow("above and left") << one << QRect(-5000, -5000, 800, 600) << QRect(0, 0, 800, 600);
        QTest::addRow("larger than the screen") << one << QRect(3000, 0, 2000, 1500) << QRect(0, 0, 1280, 1024);
        QTest::addRow("wider only") << one << QRect(0, 2000, 2000, 300) << QRect(0, 724, 1280, 300);
        QTest::addRow("small window, partly on") << one << QRect(1260, 10, 20, 20) << QRect(1260, 10, 20, 20);
        QTest::addRow("below a task bar") << QList<QRect>{QRect(0, 40, 1280, 984)} << QRect(3000, 0, 800, 600)
                                          << QRect(480, 40, 800, 600);
        QTest::addRow("on the second screen") << two << QRect(1500, 100, 800, 600) << QRect(1500, 100, 800, 600);
        QTest::addRow("nearest of two") << two << QRect(5000, 100, 800, 600) << QRect(2400, 100, 800, 600);
        QTest::addRow("no screens") << QList<QRect>{} << QRect(3000, 0, 800, 600) << QRect(3000, 0, 800, 600);
    }

    void fitOntoScreens()
    {
        QFETCH(QList<QRect>, screens);
        QFETCH(QRect, wanted);
        QFETCH(QRect, fitted);
        QCOMPARE(vard::FitOntoScreens(screens, wanted), fitted);
    }

    // The offscreen platform has one screen of its own size: a main window saved far
    // to its right comes up on it, with its size.
    void positionOffEveryScreen()
    {
        m_window.reset();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        writeFile(m_home->filePath("Vard.pos"), QString("[MainWindow]\r\nTop=%1\r\nLeft=%2\r\nWidth=500\r\n"
                                                        "Height=460\r\n")
                                                    .arg(screen.top() + 20)
                                                    .arg(screen.right() + 3000)
                                                    .toLatin1());
        m_window = std::make_unique<TMainWindow>(&m_rig->machine);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QCOMPARE(m_window->size(), QSize(500, 460));
        QCOMPARE(m_window->pos(), QPoint(screen.left() + screen.width() - 500, screen.top() + 20));
        QVERIFY(screen.intersects(m_window->frameGeometry()));
    }

    // ------------------------------------------------------------ type switch

    void typeSwitchRebuildsTheWindow()
    {
        up("362.07 B", k362Settings);
        auto *select = child<QComboBox>("SelectZone");
        QCOMPARE(select->count(), 2);
        QCOMPARE(select->itemText(0), QString("Convection"));
        QCOMPARE(select->itemText(1), QString("Infrared"));
        QCOMPARE(select->currentIndex(), 0);
        QVERIFY(child<QLabel>("lblTemp0")->isVisible());
        QVERIFY(child<QLabel>("lblTemp1")->isVisible());
        QVERIFY(child<QLabel>("lblChain")->isVisible());
        QVERIFY(!child<QLabel>("lblTemp2")->isVisible());
        QVERIFY(!child<ShapeWidget>("shapeMachineStatus")->isVisible());

        m_rig->lose();
        m_window->RefreshScreen();
        QCOMPARE(m_rig->machine.GetMachineType(), 0);
        QCOMPARE(select->count(), 0);
        QVERIFY(!child<QLabel>("lblTemp0")->isVisible());
    }

    // ------------------------------------------------------------ textual view

    void textualTitle_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("s1");
        QTest::addColumn<int>("s2");
        QTest::addColumn<QColor>("colour");
        QTest::addRow("not connected") << false << 0 << 0 << QColor(255, 0, 0);
        QTest::addRow("ready") << true << 0 << 0 << QColor(0, 127, 0);
        QTest::addRow("hood") << true << 2 << 1 << QColor(255, 0, 0);
        QTest::addRow("not ready") << true << 0 << 1 << QColor(255, 0, 0);
    }

    // The title is centred near the top; its colour tells the state.
    void textualTitle()
    {
        QFETCH(bool, connected);
        QFETCH(int, s1);
        QFETCH(int, s2);
        QFETCH(QColor, colour);
        if (connected) {
            up("4QTR A", kQtrSettings);
            m_rig->values("A:S1=" + QByteArray::number(s1) + ";S2=" + QByteArray::number(s2) + ";");
        }
        const QImage image = textual();
        const int titleBottom = RoundEven(8 * m_window->ScaleY()) + 20;
        int found = 0;
        for (int y = 3; y < titleBottom; ++y)
            for (int x = 3; x < image.width() - 3; ++x)
                found += pixel(image, x, y) == colour;
        QVERIFY2(found > 20, qPrintable(QString::number(found)));
        // No block is drawn without a machine.
        if (!connected)
            QCOMPARE(pixel(image, RoundEven(20 * m_window->ScaleX()), RoundEven(100 * m_window->ScaleY())),
                     m_window->palette().button().color());
    }

    // A zone in order has a green frame and bar, one that is not a red one; zones
    // without a state flag a black frame and no bar.
    void textualBlocks()
    {
        up("4QTR A", kQtrSettings);
        m_rig->values("A:S2=2;"); // "Preheat 1" (state bit 2) not ready
        const QImage image = textual();
        auto frameColour = [&](int zone) {
            const TZone *z = m_rig->machine.GetZone(zone);
            return pixel(image, z->ViewLeft, (z->ViewTop + z->ViewBottom) / 2 - 30);
        };
        auto barColour = [&](int zone) {
            const TZone *z = m_rig->machine.GetZone(zone);
            return pixel(image, (z->ViewLeft + z->ViewRight) / 2, z->ViewBottom - 2);
        };
        QCOMPARE(frameColour(0), QColor(0, 127, 0));
        QCOMPARE(barColour(0), QColor(0, 127, 0));
        QCOMPARE(frameColour(1), QColor(255, 0, 0));
        QCOMPARE(barColour(1), QColor(255, 0, 0));
        QCOMPARE(frameColour(5), QColor(0, 0, 0)); // "Cooling 1"
        QCOMPARE(barColour(5), m_window->palette().button().color());
        const TZone *cooling2 = m_rig->machine.GetZone(6);
        QCOMPARE(cooling2->ViewLeft, cooling2->ViewRight); // never drawn
        // The blocks scale with the panel: 752 design units wide at scale 1.
        const TZone *startup = m_rig->machine.GetZone(0);
        QCOMPARE(startup->ViewLeft, RoundEven(20 * m_window->ScaleX()));
        QCOMPARE(startup->ViewRight, RoundEven(150 * m_window->ScaleX()));
    }

    void textualErrorMark()
    {
        up("4QTR A", kQtrSettings);
        m_rig->values("A:S1=16;"); // error bit 4: "Underground"
        const QImage image = textual();
        const TZone *z = m_rig->machine.GetZone(4);
        const int x = z->ViewLeft + RoundEven(400 * m_window->ScaleX());
        const int y = z->ViewTop + RoundEven(5 * m_window->ScaleY());
        int red = 0;
        for (int dy = 0; dy < 20; ++dy)
            for (int dx = 0; dx < 60; ++dx)
                red += pixel(image, x + dx, y + dy) == QColor(255, 0, 0);
        QVERIFY2(red > 10, qPrintable(QString::number(red)));
    }

private:
    // Where the error mark of a zone that is out of order lands: the textual view
    // painted without and with the zone's error flag, and the pixels that differ.
    struct MarkSeen {
        QRect block;    // L, T to R - 1, B - 1
        int barTop = 0; // first row of the state bar
        int markTop = 0; // y + 185, where the mark stands when the block has room
        QRect ink;      // bounding box of the changed pixels
        int pixels = 0;
        bool onClearGround = true; // every changed pixel was background before
    };

    MarkSeen errorMark(const QByteArray &ident, const QByteArray &settings, int zone, int notReady, int error)
    {
        makeWindow();
        up(ident, settings);
        const QByteArray state = ";S2=" + QByteArray::number(notReady) + ";";
        // The hood is open in both pictures, so the alarm strip above the view is there
        // in both and the view keeps its size: only the mark differs.
        m_rig->values("A:S1=2" + state);
        const QImage without = textual();
        m_rig->values("A:S1=" + QByteArray::number(error | 2) + state);
        const QImage with = textual();
        const TZone *z = m_rig->machine.GetZone(zone);
        MarkSeen seen;
        seen.block = QRect(QPoint(z->ViewLeft, z->ViewTop), QPoint(z->ViewRight - 1, z->ViewBottom - 1));
        seen.barTop = z->ViewTop + RoundEven((z->ViewBottom - z->ViewTop) * 0.9);
        seen.markTop = z->ViewTop + RoundEven(185 * m_window->ScaleY());
        const QColor ground = m_window->palette().button().color();
        for (int y = 0; y < with.height(); ++y) {
            for (int x = 0; x < with.width(); ++x) {
                if (with.pixel(x, y) == without.pixel(x, y))
                    continue;
                ++seen.pixels;
                seen.ink |= QRect(x, y, 1, 1);
                seen.onClearGround &= pixel(without, x, y) == ground;
            }
        }
        return seen;
    }

private slots:
    void textualErrorMarkReadable_data()
    {
        QTest::addColumn<QByteArray>("ident");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("zone");
        QTest::addColumn<int>("notReady"); // state byte: the zone's bit set
        QTest::addColumn<int>("error");    // error byte: the zone's bit set
        QTest::addColumn<bool>("kept");    // the block has room at y + 185
        const QByteArray ir362 = "A:ST=220,3;SF=60;SV=25;";
        QTest::addRow("4QTR Peak, with fan rows") << QByteArray("4QTR A") << kQtrSettings << 3 << 8 << 128 << true;
        QTest::addRow("362.04 Convection") << QByteArray("362.04 A") << ir362 << 0 << 1 << 8 << false;
        QTest::addRow("362.04 Infrared") << QByteArray("362.04 A") << ir362 << 1 << 2 << 16 << false;
        QTest::addRow("362.10 Convection, with fan rows") << QByteArray("362.10 A") << k362Settings << 0 << 1 << 8
                                                          << false;
        QTest::addRow("362.10 Infrared 2") << QByteArray("362.10 A") << k362Settings << 2 << 4 << 32 << false;
    }

    // Red on the red bar cannot be read: the whole mark shows, on clear ground inside
    // its block and above the bar, as many pixels as where the block has room for it.
    void textualErrorMarkReadable()
    {
        QFETCH(QByteArray, ident);
        QFETCH(QByteArray, settings);
        QFETCH(int, zone);
        QFETCH(int, notReady);
        QFETCH(int, error);
        QFETCH(bool, kept);
        const MarkSeen room = errorMark("4QTR A", kQtrSettings, 0, 1, 8); // "Startup"
        QVERIFY(room.pixels > 20);
        QVERIFY2(room.ink.bottom() < room.barTop, "the 4QTR blocks have room at y + 185");
        const MarkSeen seen = errorMark(ident, settings, zone, notReady, error);
        QCOMPARE(seen.pixels, room.pixels);
        QVERIFY(seen.onClearGround);
        QVERIFY(seen.block.adjusted(1, 1, -1, -1).contains(seen.ink)); // inside the frame
        QVERIFY(seen.ink.bottom() < seen.barTop);
        if (kept) {
            QVERIFY(seen.ink.left() >= seen.block.left() + 5 && seen.ink.left() <= seen.block.left() + 8);
            QVERIFY(seen.ink.top() >= seen.markTop && seen.ink.top() <= seen.markTop + 6);
        }
    }

    // A press on a block's edge pixel counts; a press on "Cooling 1" only selects it; a
    // press on the heater block toggles the queued heater setting.
    void textualHitTest()
    {
        up("4QTR A", kQtrSettings);
        m_rig->values("A:H1=0;S1=0;S2=0;"); // the heater is off
        textual();
        const TZone *cooling = m_rig->machine.GetZone(5);
        m_window->SetCurrentZone(0);
        m_window->PaintBoxMouseDown(QPoint(cooling->ViewRight, cooling->ViewBottom));
        QCOMPARE(m_window->CurrentZone(), 5);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        m_window->PaintBoxMouseDown(QPoint(cooling->ViewRight + 1, cooling->ViewBottom));
        QCOMPARE(m_window->CurrentZone(), 5); // outside every block: nothing
        const TZone *heater = m_rig->machine.GetZone(8);
        QTest::mouseClick(child<PaintBox>("PaintBox"), Qt::RightButton, {},
                          QPoint(heater->ViewLeft + 3, heater->ViewTop + 3));
        QCOMPARE(m_window->CurrentZone(), 8);
        QCOMPARE(m_rig->machine.PendingCommand(), QByteArray("W:H1=1;"));
    }

    void textualPressOpensEditDialog()
    {
        up("4QTR A", kQtrSettings);
        textual();
        const TZone *peak = m_rig->machine.GetZone(3);
        QString title;
        whenModal([&title](QWidget *w) {
            title = w->windowTitle();
            w->close();
        });
        m_window->PaintBoxMouseDown(QPoint(peak->ViewLeft + 10, peak->ViewTop + 10));
        QCOMPARE(title, QString("Edit values"));
        QCOMPARE(m_window->CurrentZone(), 3);
    }

    void textualFontHeight_data()
    {
        QTest::addColumn<QSize>("panel");
        QTest::addColumn<int>("height");
        QTest::addRow("design size") << QSize(752, 400) << 17;
        QTest::addRow("just under 0.9 wide") << QSize(676, 400) << 14;
        QTest::addRow("just under 0.8 high") << QSize(752, 319) << 9;
    }

    // The text of the title gets taller with the font; measured in the painted image.
    void textualFontHeight()
    {
        QFETCH(QSize, panel);
        QFETCH(int, height);
        textual();
        m_window->resize(m_window->size() + panel - child<PaintBox>("PaintBox")->size());
        const QImage image = textual();
        QCOMPARE(child<PaintBox>("PaintBox")->size(), panel);
        int top = -1, bottom = -1;
        for (int y = 3; y < 40; ++y) {
            for (int x = 3; x < image.width() - 3; ++x) {
                if (pixel(image, x, y) == QColor(255, 0, 0)) {
                    if (top < 0)
                        top = y;
                    bottom = y;
                    break;
                }
            }
        }
        const int ink = bottom - top + 1;
        QVERIFY2(ink >= height * 0.5 && ink <= height, qPrintable(QString("%1 px of ink for %2 px").arg(ink).arg(height)));
    }

    // ------------------------------------------------------------ graphic view

    void graphicLabels_data()
    {
        QTest::addColumn<QByteArray>("ident");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("values");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QPoint>("design"); // LabelX, LabelY (+25 for a fan)
        QTest::addRow("4QTR startup ready") << QByteArray("4QTR A") << kQtrSettings << QByteArray("A:T1=148;S2=0;")
                                            << "lblTemp0" << "148°C" << QColor(0, 128, 0) << QPoint(155, 120);
        QTest::addRow("4QTR preheat fan, not ready") << QByteArray("4QTR A") << kQtrSettings
                                                     << QByteArray("A:F1=70;S2=2;") << "lblFan1" << "70 %"
                                                     << QColor(128, 0, 0) << QPoint(245, 145);
        QTest::addRow("4QTR cooling always maroon") << QByteArray("4QTR A") << kQtrSettings
                                                    << QByteArray("A:T6=61;S2=0;") << "lblTemp4" << "61°C"
                                                    << QColor(128, 0, 0) << QPoint(580, 120);
        QTest::addRow("4QTR chain") << QByteArray("4QTR A") << kQtrSettings << QByteArray("A:V1=-3;S2=0;")
                                    << "lblChain" << "-3 cm/min" << QColor(0, 255, 0) << QPoint(690, 215);
        QTest::addRow("362.04 IR level x 20") << QByteArray("362.04 A") << QByteArray("A:ST=220,5;SF=60;SV=25;")
                                              << QByteArray("A:S2=0;") << "lblTemp1" << "100 %" << QColor(0, 128, 0)
                                              << QPoint(315, 217);
        QTest::addRow("362.07 IR elsewhere") << QByteArray("362.07 A") << QByteArray("A:ST=220,3;SF=60;SV=25;")
                                             << QByteArray("A:S2=2;") << "lblTemp1" << "60 %" << QColor(128, 0, 0)
                                             << QPoint(250, 222);
        QTest::addRow("362.07 chain not ready") << QByteArray("362.07 A") << k362Settings << QByteArray("A:V1=25;S2=4;")
                                                << "lblChain" << "25 cm/min" << QColor(255, 0, 0) << QPoint(291, 272);
        QTest::addRow("362.10 convection fan") << QByteArray("362.10 A") << k362Settings
                                               << QByteArray("A:F1=80;S2=0;") << "lblFan2" << "80 %"
                                               << QColor(0, 128, 0) << QPoint(380, 190);
    }

    void graphicLabels()
    {
        QFETCH(QByteArray, ident);
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, values);
        QFETCH(QString, label);
        QFETCH(QString, text);
        QFETCH(QColor, colour);
        QFETCH(QPoint, design);
        up(ident, settings);
        m_rig->values(values);
        showPage(0);
        auto *l = m_window->findChild<QLabel *>(label);
        QVERIFY(l->isVisible());
        QCOMPARE(l->text(), text);
        // What the operator sees: the label's share of the window as drawn, text in the
        // state colour on the label's own background.
        const QColor background = label == "lblChain" ? QColor(104, 102, 101) : QColor(Qt::white);
        const QImage seen = m_window->grab().toImage();
        const QRect at(l->mapTo(m_window.get(), QPoint(0, 0)), l->size());
        int ink = 0, ground = 0;
        for (int y = at.top(); y <= at.bottom(); ++y)
            for (int x = at.left(); x <= at.right(); ++x) {
                ink += pixel(seen, x, y) == colour;
                ground += pixel(seen, x, y) == background;
            }
        QVERIFY2(ground > at.width() * at.height() / 2,
                 qPrintable(QString("%1 of %2 px background").arg(ground).arg(at.width() * at.height())));
        QVERIFY2(ink >= 10, qPrintable(QString("%1 px of text colour").arg(ink)));
        const double s = m_window->ScaleX();
        QCOMPARE(s, child<PictureView>("MView")->width() / 784.0);
        QCOMPARE(l->x(), RoundEven(design.x() * s));
        QVERIFY(qAbs(l->y() - design.y() * s) <= 1.0);
        QCOMPARE(child<PictureView>("MView")->pictureScale(), s * 0.8);
    }

    void graphicLamp()
    {
        up("4QTR A", kQtrSettings);
        auto *lamp = child<ShapeWidget>("shapeMachineStatus");
        m_rig->values("A:S2=1;");
        showPage(0);
        QVERIFY(lamp->isVisible());
        QCOMPARE(lamp->fillColor(), QColor(255, 0, 0));
        m_rig->values("A:S2=0;");
        m_window->RefreshScreen();
        QCOMPARE(lamp->fillColor(), QColor(0, 128, 0));
        const double s = m_window->ScaleX();
        QCOMPARE(lamp->geometry(), QRect(RoundEven(156 * s), RoundEven(46 * s), RoundEven(30 * s), RoundEven(14 * s)));
    }

    void graphicPictures()
    {
        auto *view = child<PictureView>("MView");
        QVERIFY(!view->picture().isNull()); // the start picture, before any machine
        QCOMPARE(view->picture().size(), QSize(981, 567));
        up("362.10 A", k362Settings);
        QCOMPARE(view->picture(), QImage(ProgramDir() + "LMImages/LM362_10.bmp"));
        m_rig->lose();
        m_window->RefreshScreen();
        QCOMPARE(view->picture(), QImage(ProgramDir() + "LMImages/Default.bmp"));
        // A picture that cannot be read leaves the one shown.
        QVERIFY(!view->loadPicture(m_home->filePath("missing.bmp")));
        QCOMPARE(view->picture(), QImage(ProgramDir() + "LMImages/Default.bmp"));
    }

    // ------------------------------------------------------------ edit dialog

    void editFilling_data()
    {
        QTest::addColumn<QByteArray>("ident");
        QTest::addColumn<int>("zone");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("mainValue");
        QTest::addColumn<bool>("fanShown");
        QTest::addColumn<QString>("fanValue");
        QTest::addRow("temperature") << QByteArray("4QTR A") << 0 << "Enter target temperature in °C:" << "150"
                                     << false << "";
        QTest::addRow("temperature and fan") << QByteArray("4QTR A") << 3 << "Enter target temperature in °C:"
                                             << "240" << true << "90";
        QTest::addRow("IR") << QByteArray("362.04 A") << 1 << "Enter IR power preselection (0..5):" << "3" << false
                            << "";
        QTest::addRow("transport") << QByteArray("362.04 A") << 2 << "Enter target chain speed in cm/min:" << "25"
                                   << false << "";
    }

    void editFilling()
    {
        QFETCH(QByteArray, ident);
        QFETCH(int, zone);
        QFETCH(QString, prompt);
        QFETCH(QString, mainValue);
        QFETCH(bool, fanShown);
        QFETCH(QString, fanValue);
        up(ident, ident.startsWith("4QTR") ? kQtrSettings : QByteArray("A:ST=220,3;SF=60;SV=25;"));
        m_window->SetCurrentZone(zone);
        TEditForm dialog(m_window.get());
        dialog.show();
        QCOMPARE(dialog.findChild<QLabel *>("ZoneLabelStr")->text(),
                 "Edit values for zone:  " + m_rig->machine.GetZone(zone)->Name);
        QCOMPARE(dialog.findChild<QLabel *>("lblMainValue")->text(), prompt);
        QCOMPARE(dialog.findChild<QLineEdit *>("edtMainValue")->text(), mainValue);
        QCOMPARE(dialog.findChild<QLineEdit *>("TargetFan")->isVisible(), fanShown);
        QCOMPARE(dialog.findChild<QLineEdit *>("TargetFan")->text(), fanValue);
        QCOMPARE(dialog.focusWidget(), dialog.findChild<QPushButton *>("Ok"));
    }

    void editAccept_data()
    {
        QTest::addColumn<int>("zone");
        QTest::addColumn<QString>("mainTyped"); // empty: left alone
        QTest::addColumn<QString>("fanTyped");
        QTest::addColumn<QByteArray>("queued");
        // A refused value keeps the dialog open with this message; empty: it closes.
        QTest::addColumn<QString>("refusal");
        const QString notNumber = "is not a whole number";
        const QString outside = "is outside the range the machine accepts";
        QTest::addRow("nothing edited") << 3 << "" << "" << QByteArray() << QString();
        QTest::addRow("fan 75 queues 70") << 3 << "" << "75" << QByteArray("W:F3=70;") << QString();
        QTest::addRow("fan 45 refused") << 3 << "" << "45" << QByteArray() << outside;
        QTest::addRow("only the fan changed") << 1 << "" << "60" << QByteArray("W:F1=60;") << QString();
        QTest::addRow("both") << 1 << "200" << "60" << QByteArray("W:T2=200;F1=60;") << QString();
        QTest::addRow("both, fan refused: nothing queued") << 1 << "200" << "101" << QByteArray() << outside;
        QTest::addRow("temperature 35 refused") << 0 << "35" << "" << QByteArray() << outside;
        QTest::addRow("temperature 999 refused") << 0 << "999" << "" << QByteArray() << "Allowed: 40 to 450 °C";
        QTest::addRow("temperature at the limit") << 0 << "450" << "" << QByteArray("W:T1=450;") << QString();
        QTest::addRow("leading blanks and sign") << 0 << "  +200" << "" << QByteArray("W:T1=200;") << QString();
        QTest::addRow("text 12abc refused") << 0 << "12abc" << "" << QByteArray() << notNumber;
        QTest::addRow("trailing blank refused") << 0 << "200 " << "" << QByteArray() << notNumber;
        QTest::addRow("65576 is not 40") << 0 << "65576" << "" << QByteArray() << outside;
        QTest::addRow("speed 60") << 7 << "60" << "" << QByteArray("W:V1=60;") << QString();
        QTest::addRow("speed 61 refused") << 7 << "61" << "" << QByteArray() << "Allowed: 5 to 60 cm/min";
    }

    void editAccept()
    {
        QFETCH(int, zone);
        QFETCH(QString, mainTyped);
        QFETCH(QString, fanTyped);
        QFETCH(QByteArray, queued);
        QFETCH(QString, refusal);
        up("4QTR A", kQtrSettings);
        m_window->SetCurrentZone(zone);
        TEditForm dialog(m_window.get());
        dialog.show();
        // The range is shown beside the main field.
        QVERIFY(dialog.findChild<QLabel *>("lblMainRange")->text().startsWith("Allowed: "));
        auto type = [&](const char *name, const QString &text) {
            auto *edit = dialog.findChild<QLineEdit *>(name);
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, text);
        };
        if (!mainTyped.isEmpty())
            type("edtMainValue", mainTyped);
        if (!fanTyped.isEmpty())
            type("TargetFan", fanTyped);
        QString seen;
        if (!refusal.isEmpty())
            answerBox(QMessageBox::Ok, &seen);
        QTest::keyClick(&dialog, Qt::Key_Return); // Enter presses "Ok"
        QCOMPARE(dialog.isVisible(), !refusal.isEmpty());
        QVERIFY2(seen.contains(refusal), qPrintable(seen));
        QCOMPARE(m_rig->machine.PendingCommand(), queued);
    }

    void editEscapeChangesNothing()
    {
        up("4QTR A", kQtrSettings);
        m_window->SetCurrentZone(0);
        TEditForm dialog(m_window.get());
        dialog.show();
        QTest::keyClicks(dialog.findChild<QLineEdit *>("edtMainValue"), "9");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QVERIFY(!m_rig->machine.HasPendingValues());
        QCOMPARE(m_rig->machine.GetTargetTemp(1), qint16(150));
    }

    void editRefusedWithoutMachine()
    {
        QString seen;
        answerBox(QMessageBox::Ok, &seen);
        QTest::mouseClick(child<QPushButton>("Speed"), Qt::LeftButton);
        QCOMPARE(seen, QString("Error|Machine is not connected!"));
    }

    void selectorOpensTheChosenZone()
    {
        up("362.10 A", k362Settings);
        QString zoneLabel;
        whenModal([&zoneLabel](QWidget *w) {
            zoneLabel = w->findChild<QLabel *>("ZoneLabelStr")->text();
            w->close();
        });
        auto *select = child<QComboBox>("SelectZone");
        emit select->activated(2);
        QCOMPARE(m_window->CurrentZone(), 2);
        QCOMPARE(zoneLabel, QString("Edit values for zone:  Infrared 2"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
