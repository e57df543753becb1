#include "ui/MainUnit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QScrollArea>
#include <QKeyEvent>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cfenv>
#include <cmath>

#include "app/GlobalUnit.h"
#include "app/ObjGlobalVarUnit.h"
#include "measure/ObjMessungUnit.h"
#include "ui/DebugUnit.h"
#include "ui/EditUnit.h"
#include "ui/LanguageUnit.h"
#include "ui/LogUnit.h"
#include "ui/TrendUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/widgets/PaintBox.h"
#include "ui/widgets/PictureView.h"
#include "ui/widgets/Placement.h"

namespace {

const QColor kTeal(0, 128, 128);
const QColor kGreenState(0, 127, 0);   // textual view: in order
const QColor kRedState(255, 0, 0);     // textual view: not in order
const QColor kLampGreen(0, 128, 0);
const QColor kMaroon(128, 0, 0);
const QColor kLime(0, 255, 0);
const QColor kChainBackground(104, 102, 101);

const char *const kValueLabelNames[] = {"lblTemp0", "lblTemp1", "lblTemp2", "lblTemp3", "lblTemp4", "lblTemp5",
                                        "lblFan0",  "lblFan1",  "lblFan2",  "lblFan3",  "lblChain"};

QFont pixelFont(const QFont &base, int pixels, bool bold = false)
{
    QFont f = base;
    f.setPixelSize(std::max(1, pixels));
    f.setBold(bold);
    return f;
}

// Text drawn with its cell's top-left corner at (x, y), as the views lay it out.
void textOut(QPainter &p, int x, int y, const QString &text)
{
    p.drawText(QRect(x, y, 10000, 10000), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void textOut(QPainter &p, QPoint at, const QString &text)
{
    textOut(p, at.x(), at.y(), text);
}

// Where the error mark of a general block goes: low in the block at (L + 5, y + 185)
// when it fits above the state bar (or the lower frame). A block too short for that
// would print red on the red bar exactly when the mark matters; there the mark stands
// on the line just above the bar at the block's right edge, clear of the value rows,
// which all start at the left.
QPoint errorMarkAt(const QFontMetrics &metrics, const QString &mark, int left, int right, int low, int limit)
{
    if (low + metrics.height() <= limit)
        return {left + 5, low};
    return {std::max(left + 5, right - 5 - metrics.horizontalAdvance(mark)), limit - metrics.height()};
}

} // namespace

int RoundEven(double value)
{
    // nearbyint follows the current rounding mode, which is to-nearest-even unless
    // somebody changed it; say so rather than rely on it.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    std::fesetround(previous);
    return static_cast<int>(r);
}

TMainWindow::TMainWindow(TMachine *machine, QWidget *parent)
    : QMainWindow(parent), m_machine(machine), m_measurement(std::make_unique<TMessungInfo>())
{
    setObjectName(QStringLiteral("MainWindow"));
    QFont formFont = font();
    formFont.setPixelSize(14);
    setFont(formFont);
    setMinimumSize(450, 450);

    buildPages();
    buildPanel();
    buildMenu();
    // The language chosen last time; a translation that has gone leaves the built-in
    // one.
    if (GlobalVars)
        languages().Load(GlobalVars->LocaleID());
    retranslateUi();

    // The window sees every key before its controls: Escape anywhere in it closes it
    // (with the quit question). Keys of other windows, dialogs included, are theirs.
    qApp->installEventFilter(this);

    connect(m_machine, &TMachine::typeSwitchStarted, this, &TMainWindow::clearTypeDependentParts);
    connect(m_machine, &TMachine::zoneSelectorFilled, this, &TMainWindow::fillZoneSelector);
    connect(m_machine, &TMachine::zonesRenamed, this, &TMainWindow::renameZoneSelector);
    connect(m_machine, &TMachine::operationTimeVisibilityChanged, this, &TMainWindow::showOperationTime);
    connect(m_machine, &TMachine::pictureChosen, this, &TMainWindow::loadMachinePicture);
    connect(m_machine, &TMachine::labelsShown, this, &TMainWindow::showLabels);
    m_machine->SetHost(this);

    // Start-up, in the order the window has always come up.
    m_refreshing = true;
    vard::RestoreWindowPos(this, objectName());
    m_scaleX = double(m_paintBox->width()) / kDesignWidth;
    m_scaleY = double(m_paintBox->height()) / kDesignHeight;
    // A period below 1 ms cannot work: 0 would redraw in a busy loop, and a negative
    // one would never start the timer. Like an unusable RefreshCount, it gives way to
    // the default.
    m_refreshRate = ReadSettingInt(QStringLiteral("MainWindow"), QStringLiteral("RefreshRate"), kDefaultRefreshRate);
    if (m_refreshRate < 1)
        m_refreshRate = kDefaultRefreshRate;
    m_debugMode = ReadSettingInt(QStringLiteral("Debug"), QStringLiteral("Debug"), 0) == kDebugAccessValue;
    m_debugMenuAction->setVisible(m_debugMode);
    m_measurement->SetFlag(true);
    m_measurement->SetChannelCount(1);
    m_refreshing = false;
    RefreshScreen();
    connect(&tmrRefreshScreen, &QTimer::timeout, this, &TMainWindow::RefreshScreen);
    tmrRefreshScreen.setObjectName(QStringLiteral("tmrRefreshScreen"));
    // The coarse default may fire up to 5 % early; the refresh keeps its period.
    tmrRefreshScreen.setTimerType(Qt::PreciseTimer);
    tmrRefreshScreen.start(m_refreshRate);
}

TMainWindow::~TMainWindow()
{
    tmrRefreshScreen.stop();
    m_machine->SetHost(nullptr);
    try {
        const QPoint at = pos();
        WriteWindowPos(objectName(), TWindowPos{at.y(), at.x(), width(), height()});
    } catch (const vard::SettingsFileError &e) {
        vard::ReportError(nullptr, e.message());
    }
    try {
        if (GlobalVars)
            GlobalVars->Save();
    } catch (const vard::SettingsFileError &e) {
        vard::ReportError(nullptr, e.message());
    }
}

// ---------------------------------------------------------------- building

void TMainWindow::buildPages()
{
    pctrlMain = new QTabWidget(this);
    pctrlMain->setObjectName(QStringLiteral("pctrlMain"));

    tabGraphic = new QWidget;
    tabGraphic->setObjectName(QStringLiteral("tabGraphic"));
    MView = new PictureView(tabGraphic);
    MView->setObjectName(QStringLiteral("MView"));
    auto *graphicLayout = new QVBoxLayout(tabGraphic);
    graphicLayout->setContentsMargins(0, 0, 0, 0);
    graphicLayout->addWidget(MView);
    MView->setPicture(QImage(QStringLiteral(":/pictures/start.png")));
    for (const char *name : kValueLabelNames) {
        auto *label = new QLabel(MView);
        label->setObjectName(QString::fromLatin1(name));
        label->setAutoFillBackground(true);
        // A child takes its parent's background role unless it has one of its own, and
        // the picture view paints with Button: without these the labels would paint
        // with Button/ButtonText and ignore the colours set on them.
        label->setBackgroundRole(QPalette::Window);
        label->setForegroundRole(QPalette::WindowText);
        QPalette pal = label->palette();
        pal.setColor(QPalette::Window, QByteArray(name) == "lblChain" ? kChainBackground : QColor(Qt::white));
        label->setPalette(pal);
        QFont f(QStringLiteral("Arial"));
        f.setBold(true);
        label->setFont(f);
        label->hide();
        label->setCursor(Qt::PointingHandCursor); // its press reaches eventFilter()
        m_valueLabels.append(label);
    }
    shapeMachineStatus = new ShapeWidget(ShapeWidget::Kind::Rectangle, MView);
    shapeMachineStatus->setObjectName(QStringLiteral("shapeMachineStatus"));
    shapeMachineStatus->hide();

    taxText = new QWidget;
    taxText->setObjectName(QStringLiteral("taxText"));
    ScrollBox1 = new QScrollArea(taxText);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    auto *textLayout = new QVBoxLayout(taxText);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->addWidget(ScrollBox1);
    auto *scrolled = new QWidget;
    ScrollBox1->setWidget(scrolled);
    m_paintBox = new PaintBox(scrolled);
    m_paintBox->setObjectName(QStringLiteral("PaintBox"));
    m_paintBox->setGeometry(16, 4, kDesignWidth, kDesignHeight);
    scrolled->resize(16 + kDesignWidth, 4 + kDesignHeight);
    connect(m_paintBox, &PaintBox::mousePressed, this, [this](QPoint at, Qt::MouseButton) { PaintBoxMouseDown(at); });

    tabSchematic = new QWidget;
    tabSchematic->setObjectName(QStringLiteral("tabSchematic"));
    SchemeStr = new QLabel(tabSchematic);
    SchemeStr->setObjectName(QStringLiteral("SchemeStr"));
    QFont schemeFont = font();
    schemeFont.setPixelSize(24);
    schemeFont.setBold(true);
    schemeFont.setItalic(true);
    SchemeStr->setFont(schemeFont);
    SchemeStr->setAlignment(Qt::AlignCenter);
    SchemeStr->resize(441, 32);

    pctrlMain->addTab(tabGraphic, QString());
    pctrlMain->addTab(taxText, QString());
    pctrlMain->addTab(tabSchematic, QString());
    connect(pctrlMain, &QTabWidget::currentChanged, this, [this] { DrawActivePage(); });
}

void TMainWindow::buildPanel()
{
    auto *central = new QWidget(this);
    Panel = new QFrame(central);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFrameShape(QFrame::Panel);
    Panel->setFrameShadow(QFrame::Sunken);
    Panel->setFixedHeight(71);

    SelectZone = new QComboBox(Panel);
    SelectZone->setObjectName(QStringLiteral("SelectZone"));
    SelectZone->setGeometry(8, 8, 129, 25);
    SelectZone->setPlaceholderText(QStringLiteral("SelectZone"));
    QFont selectFont = font();
    selectFont.setPixelSize(15);
    SelectZone->setFont(selectFont);
    connect(SelectZone, &QComboBox::activated, this, &TMainWindow::SelectZoneSelect);

    SendTargetFrame = new ShapeWidget(ShapeWidget::Kind::Rectangle, Panel);
    SendTargetFrame->setObjectName(QStringLiteral("SendTargetFrame"));
    SendTargetFrame->setGeometry(3, 36, 138, 33);
    SendTargetFrame->setColors(kTeal, kTeal);
    SendTargetFrame->hide();

    auto makeButton = [this](const char *name, QRect geometry, QStyle::StandardPixmap icon) {
        auto *b = new QPushButton(Panel);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(geometry);
        b->setIcon(style()->standardIcon(icon));
        b->setAutoDefault(false);
        return b;
    };
    SendTarget = makeButton("SendTarget", QRect(8, 40, 129, 25), QStyle::SP_DialogApplyButton);
    Heater = makeButton("Heater", QRect(148, 8, 137, 25), QStyle::SP_BrowserReload);
    Speed = makeButton("Speed", QRect(300, 8, 137, 25), QStyle::SP_MediaSeekForward);
    connect(SendTarget, &QPushButton::clicked, this, &TMainWindow::SendTargetClick);
    connect(Heater, &QPushButton::clicked, this, &TMainWindow::HeaterClick);
    connect(Speed, &QPushButton::clicked, this, &TMainWindow::SpeedClick);

    Shape1 = new ShapeWidget(ShapeWidget::Kind::Rectangle, Panel);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(148, 44, 89, 21);
    Shape1->setColors(kTeal, kTeal);
    Shape3 = new ShapeWidget(ShapeWidget::Kind::Rectangle, Panel);
    Shape3->setObjectName(QStringLiteral("Shape3"));
    Shape3->setGeometry(148, 44, 89, 21);
    Shape3->setFrameOnly(true);
    ConnectStr = new QLabel(Panel);
    ConnectStr->setObjectName(QStringLiteral("ConnectStr"));
    ConnectStr->move(152, 48);
    QPalette white = ConnectStr->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    ConnectStr->setPalette(white);
    ConnectOn = new ShapeWidget(ShapeWidget::Kind::Circle, Panel);
    ConnectOn->setObjectName(QStringLiteral("ConnectOn"));
    ConnectOn->setGeometry(214, 47, 13, 13);
    ConnectOn->setColors(kLime, Qt::black);
    ConnectOn->hide();
    ConnectOff = new ShapeWidget(ShapeWidget::Kind::Circle, Panel);
    ConnectOff->setObjectName(QStringLiteral("ConnectOff"));
    ConnectOff->setGeometry(214, 47, 13, 14);
    ConnectOff->setColors(kRedState, Qt::black);

    MachineTimeStr = new QLabel(Panel);
    MachineTimeStr->setObjectName(QStringLiteral("MachineTimeStr"));
    MachineTimeStr->move(244, 47);
    QFont timeStrFont = font();
    timeStrFont.setPixelSize(15);
    MachineTimeStr->setFont(timeStrFont);
    MachineTimeStr->hide();
    MachineTimeShape = new ShapeWidget(ShapeWidget::Kind::Rectangle, Panel);
    MachineTimeShape->setObjectName(QStringLiteral("MachineTimeShape"));
    MachineTimeShape->setGeometry(336, 44, 101, 21);
    MachineTimeShape->setColors(kTeal, Qt::black);
    MachineTimeShape->hide();
    MachineTime = new QLabel(Panel);
    MachineTime->setObjectName(QStringLiteral("MachineTime"));
    MachineTime->setGeometry(336, 44, 101, 21);
    MachineTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    MachineTime->setPalette(white);
    MachineTime->setText(QStringLiteral("0h 0m"));
    MachineTime->hide();

    // Above the pages, not over them: while an alarm lasts the pages give it the room,
    // so it never hides the state headline, a value or a label.
    lblAlarm = new QLabel(central);
    lblAlarm->setObjectName(QStringLiteral("lblAlarm"));
    lblAlarm->setAlignment(Qt::AlignCenter);
    lblAlarm->setWordWrap(true);
    // A style sheet, so no widget style can draw it in anything but red and white.
    lblAlarm->setStyleSheet(QStringLiteral(
        "QLabel { background-color: #c81e1e; color: white; font-weight: bold; font-size: 12pt; padding: 4px; }"));
    lblAlarm->hide();

    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(lblAlarm);
    layout->addWidget(pctrlMain, 1);
    layout->addWidget(Panel);
    setCentralWidget(central);

    auto *bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar"));
    for (int i = 0; i < 2; ++i) {
        m_statusPanel[i] = new QLabel(bar);
        m_statusPanel[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_statusPanel[i]->setMinimumWidth(i == 0 ? 100 : 50);
        m_statusPanel[i]->setFrameShape(QFrame::StyledPanel);
        bar->addWidget(m_statusPanel[i]);
    }
    m_cfxStatus = new QLabel(bar);
    m_cfxStatus->setObjectName(QStringLiteral("StatusCfx"));
    m_cfxStatus->setFrameShape(QFrame::StyledPanel);
    bar->addPermanentWidget(m_cfxStatus);
    m_cfxStatus->hide();
    setStatusBar(bar);
}

void TMainWindow::SetCfxStatus(const QString &text)
{
    m_cfxStatus->setText(text);
    m_cfxStatus->setVisible(!text.isEmpty());
}

void TMainWindow::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    auto menu = [&](const char *name) {
        QMenu *m = bar->addMenu(QString());
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [&](QMenu *m, const char *name, QStyle::StandardPixmap icon, auto handler) {
        QAction *a = m->addAction(style()->standardIcon(icon), QString());
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto hook = [this](std::function<void()> TMainWindow::*slot, bool needsMachine) {
        return [this, slot, needsMachine] { runOrRefuse(this->*slot, needsMachine); };
    };

    menuFile = menu("menuFile");
    menuFileProfiles = item(menuFile, "menuFileProfiles", QStyle::SP_DirOpenIcon, hook(&TMainWindow::onProfiles, true));
    menuFile->addSeparator()->setObjectName(QStringLiteral("N1"));
    menuFileExit = item(menuFile, "menuFileExit", QStyle::SP_DialogCloseButton, [this] { close(); });

    menuMeas = menu("menuMeas");
    menuMeasStart = item(menuMeas, "menuMeasStart", QStyle::SP_MediaPlay, hook(&TMainWindow::onMeasureStart, false));
    menuMeasTavo = item(menuMeas, "menuMeasTavo", QStyle::SP_ComputerIcon, hook(&TMainWindow::onCallTavo, false));

    menuExtra = menu("menuExtra");
    menuExtraOptions = item(menuExtra, "menuExtraOptions", QStyle::SP_FileDialogDetailedView,
                            hook(&TMainWindow::onMachineOptions, true));
    menuExtraSettings = item(menuExtra, "menuExtraSettings", QStyle::SP_FileDialogInfoView,
                             hook(&TMainWindow::onProgramSettings, false));
    menuExtraLog = item(menuExtra, "menuExtraLog", QStyle::SP_FileDialogContentsView, [this] {
        if (m_logForm) {
            m_logForm->show();
            m_logForm->raise();
            m_logForm->activateWindow();
        }
    });
    menuExtraLanguage = item(menuExtra, "menuExtraLanguage", QStyle::SP_MessageBoxQuestion,
                             [this] { SwitchLanguage(); });
    menuExtraTrend = item(menuExtra, "menuExtraTrend", QStyle::SP_FileDialogContentsView,
                          [this] { OpenZoneTrendWindow(m_machine, this); });

    menuDebug = menu("menuDebug");
    m_debugMenuAction = menuDebug->menuAction();
    menuDebugApplication = item(menuDebug, "menuDebugApplication", QStyle::SP_MessageBoxWarning, [this] {
        if (m_debugForm)
            m_debugForm->SetActive(!m_debugForm->Active());
    });
    menuDebugChecksum = item(menuDebug, "menuDebugChecksum", QStyle::SP_FileDialogListView,
                             hook(&TMainWindow::onChecksum, false));

    menuHelp = menu("menuHelp");
    menuHelpAboutApp = item(menuHelp, "menuHelpAboutApp", QStyle::SP_MessageBoxInformation,
                            hook(&TMainWindow::onAboutApp, false));
    menuHelpAboutKEL = item(menuHelp, "menuHelpAboutKEL", QStyle::SP_DriveNetIcon,
                            hook(&TMainWindow::onAboutMaker, false));

    // F10 goes to the menu bar, as on every desktop the operators know.
    auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    f10->setObjectName(QStringLiteral("shortcutMenuBar"));
    connect(f10, &QShortcut::activated, this, [this] {
        menuBar()->setFocus(Qt::MenuBarFocusReason);
        menuBar()->setActiveAction(menuFile->menuAction());
    });
}

TLanguageManager &TMainWindow::languages() const
{
    return m_languages ? *m_languages : TLanguageManager::Instance();
}

void TMainWindow::SwitchLanguage()
{
    TLanguageManager &manager = languages();
    if (manager.AlternativeCount() == 0) {
        vard::ShowMessage(this, tr("No alternative language found!"), true);
        return;
    }
    int chosen = -1;
    {
        TLanguageDialog dialog(manager.Offered(), manager.CurrentLocaleID(), this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        chosen = dialog.SelectedLocaleID();
    }
    if (chosen < 0 || !manager.Load(chosen))
        return;
    if (GlobalVars)
        GlobalVars->SetLocaleID(manager.CurrentLocaleID());
    // The translators' change events reach the windows from the event loop; the
    // titles follow at once. The application's name first: a window's title is made
    // with the name in force when the title is set.
    QApplication::setApplicationDisplayName(tr("VARD - KEL Solderingsystem"));
    retranslateUi();
}

void TMainWindow::retranslateUi()
{
    setWindowTitle(tr("VARD - KEL Solderingsystem") + QStringLiteral("  ") + tr("1.2.1"));
    pctrlMain->setTabText(0, tr("Graphic view"));
    pctrlMain->setTabText(1, tr("Textual view"));
    pctrlMain->setTabText(2, tr("Schematic view"));
    SchemeStr->setText(tr("Not available in standard version"));
    SendTarget->setText(QString());
    showQueuedCount();
    Heater->setText(tr("Heater"));
    Speed->setText(tr("Speed"));
    ConnectStr->setText(tr("Connect:"));
    ConnectStr->adjustSize();
    MachineTimeStr->setText(tr("Operation time"));
    // The caption has the room up to the value box; a font or a language whose text
    // is wider gets a smaller type rather than running under the box.
    QFont timeFont = MachineTimeStr->font();
    for (int px = 15; px > 9; --px) {
        timeFont.setPixelSize(px);
        if (QFontMetrics(timeFont).horizontalAdvance(MachineTimeStr->text()) <= 336 - 244 - 3)
            break;
    }
    MachineTimeStr->setFont(timeFont);
    MachineTimeStr->adjustSize();
    // Alt and the first letter opens a menu or picks an item (the same letter twice
    // goes from one to the next).
    const auto keyed = [](const QString &text) {
        QString t = text;
        t.replace(u'&', QLatin1String("&&"));
        const qsizetype first = t.indexOf(QRegularExpression(QStringLiteral("\\w")));
        if (first >= 0)
            t.insert(first, u'&');
        return t;
    };
    menuFile->setTitle(keyed(tr("File")));
    menuFileProfiles->setText(keyed(tr("Profiles")));
    menuFileExit->setText(keyed(tr("Exit")));
    menuMeas->setTitle(keyed(tr("Measure")));
    menuMeasStart->setText(keyed(tr("Start measurement")));
    menuMeasTavo->setText(keyed(tr("Call Tavo")));
    menuExtra->setTitle(keyed(tr("Extras")));
    menuExtraOptions->setText(keyed(tr("Machine Options")));
    menuExtraSettings->setText(keyed(tr("Settings")));
    menuExtraLog->setText(keyed(tr("Machine log")));
    menuExtraLanguage->setText(keyed(tr("Language")));
    menuExtraTrend->setText(keyed(tr("Zone trend")));
    menuDebug->setTitle(keyed(tr("Debug")));
    menuDebugApplication->setText(keyed(tr("Debug Apllication")));
    menuDebugChecksum->setText(keyed(tr("Calculate Checksum")));
    menuHelp->setTitle(keyed(tr("Help")));
    menuHelpAboutApp->setText(keyed(tr("About Vard")));
    menuHelpAboutKEL->setText(keyed(tr("About KEL")));
}

void TMainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslateUi();
        // The zones were named in the language of their set-up; the views and the
        // heater and speed buttons find them by name.
        m_machine->RetranslateZones();
        DrawActivePage();
    }
    QMainWindow::changeEvent(event);
}

bool TMainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A value label on the picture is its zone, as the zone's block is in the table.
    if (event->type() == QEvent::MouseButtonPress && m_valueLabels.contains(qobject_cast<QLabel *>(watched))) {
        if (const int zone = zoneOfLabel(watched); zone >= 0) {
            ZoneClicked(zone);
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == this) {
        close();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainWindow::runOrRefuse(const std::function<void()> &action, bool needsMachine)
{
    if (needsMachine && !m_machine->IsConnected()) {
        vard::ShowNotConnected(this);
        return;
    }
    if (action)
        action();
}

QString TMainWindow::StatusText(int panel) const
{
    return panel >= 0 && panel < 2 ? m_statusPanel[panel]->text() : QString();
}

void TMainWindow::SetStatusText(int panel, const QString &text)
{
    if (panel >= 0 && panel < 2)
        m_statusPanel[panel]->setText(text);
}

// ---------------------------------------------------------------- type switch

void TMainWindow::clearTypeDependentParts()
{
    for (QLabel *label : std::as_const(m_valueLabels))
        label->hide();
    shapeMachineStatus->hide();
    SelectZone->clear();
    SelectZone->setCurrentIndex(0);
    MachineTimeStr->hide();
    MachineTimeShape->hide();
    MachineTime->hide();
}

void TMainWindow::fillZoneSelector(const QStringList &names)
{
    SelectZone->addItems(names);
    SelectZone->setCurrentIndex(names.isEmpty() ? -1 : 0);
}

void TMainWindow::renameZoneSelector()
{
    // The selector holds the zones the operator can set, in zone order.
    int item = 0;
    for (int i = 0; i < m_machine->ZoneCount() && item < SelectZone->count(); ++i) {
        const TZone *z = m_machine->GetZone(i);
        if ((z->TempChannel != 0 && z->TempSettable) || z->FanChannel != 0)
            SelectZone->setItemText(item++, z->Name);
    }
}

void TMainWindow::showOperationTime(bool visible)
{
    MachineTimeStr->setVisible(visible);
    MachineTimeShape->setVisible(visible);
    MachineTime->setVisible(visible);
}

void TMainWindow::loadMachinePicture(const QString &relativePath)
{
    MView->loadPicture(ShippedDir() + relativePath); // an unreadable picture leaves the old one
}

void TMainWindow::showLabels(const QStringList &names)
{
    for (const QString &name : names) {
        if (name == shapeMachineStatus->objectName())
            shapeMachineStatus->show();
        else if (auto *label = MView->findChild<QLabel *>(name))
            label->show();
    }
}

// ---------------------------------------------------------------- refresh

void TMainWindow::RefreshScreen()
{
    if (m_refreshing)
        return;
    m_refreshing = true;
    struct Clear {
        bool &flag;
        ~Clear() { flag = false; }
    } clear{m_refreshing};

    const int lampWidth = RoundEven(m_scaleX * 9) + 5;
    ConnectOn->resize(lampWidth, ConnectOn->height());
    ConnectOff->resize(lampWidth, ConnectOff->height());

    const int t = m_machine->GetOperationTime();
    MachineTime->setText(QStringLiteral("%1h %2m").arg(t / 60).arg(t % 60));

    const int small = RoundEven(m_scaleX * 6);
    ConnectStr->setFont(pixelFont(font(), small));
    ConnectStr->adjustSize();
    MachineTime->setFont(pixelFont(font(), small, true));
    ConnectStr->update();

    if (m_machine->HasPendingValues()) {
        SendTarget->setEnabled(true);
        SendTargetFrame->setVisible(!SendTargetFrame->isVisible());
    } else {
        SendTargetFrame->hide();
        SendTarget->setEnabled(false);
    }
    showQueuedCount();

    const QString name = m_machine->GetMachineName();
    if (!name.isEmpty()) {
        SetStatusText(0, name);
        ConnectOn->show();
        ConnectOff->hide();
    } else {
        ConnectOn->hide();
        const QString scanning = tr("Scanning ...");
        if (StatusText(0) != scanning) {
            SetStatusText(0, scanning);
            ConnectOff->show();
        } else {
            SetStatusText(0, QString());
            ConnectOff->hide();
        }
    }

    // Why nothing connects is one hover away; panel 0 itself keeps its two states.
    const QString portStatus = m_machine->PortStatusText();
    if (m_statusPanel[0]->toolTip() != portStatus) {
        m_statusPanel[0]->setToolTip(portStatus);
        ConnectOn->setToolTip(portStatus);
        ConnectOff->setToolTip(portStatus);
    }

    // Also a link lost and found again since the cycle's last step: the machine now
    // answering is identified anew, never shown under the old one's type.
    if (m_machine->LinkLost())
        m_machine->SetMachineType(0);

    showAlarms();
    DrawActivePage();
}

void TMainWindow::showAlarms()
{
    const QStringList alarms = m_machine->AlarmTexts();
    if (alarms != m_alarmsShown) {
        // A condition that was not there before sounds once, when the operator wants it.
        const bool newOne = std::any_of(alarms.cbegin(), alarms.cend(),
                                        [this](const QString &a) { return !m_alarmsShown.contains(a); });
        if (newOne && ReadSettingInt(QStringLiteral("MainWindow"), QStringLiteral("AlarmSound"), 0) != 0)
            QApplication::beep();
        m_alarmsShown = alarms;
        lblAlarm->setText(alarms.join(QStringLiteral("  —  ")));
    }
    if (lblAlarm->isHidden() != alarms.isEmpty()) {
        lblAlarm->setVisible(!alarms.isEmpty());
        // The pages take their new size now, so that this refresh draws them at it.
        centralWidget()->layout()->activate();
    }
}

void TMainWindow::showQueuedCount()
{
    const int waiting = m_machine->QueuedCount();
    const QString text = waiting > 0 ? tr("Send Values") + QStringLiteral(" (%1)").arg(waiting) : tr("Send Values");
    if (SendTarget->text() == text)
        return;
    // The button keeps its place and size: a longer caption gets a smaller type.
    QFont f = font();
    const int room = SendTarget->width() - SendTarget->iconSize().width() - 14;
    for (int px = font().pixelSize(); px > 8; --px) {
        f.setPixelSize(px);
        if (QFontMetrics(f).horizontalAdvance(text) <= room)
            break;
    }
    SendTarget->setFont(f);
    SendTarget->setText(text);
    SendTarget->setToolTip(waiting == 0   ? QString()
                           : waiting == 1 ? tr("1 value waits to be sent to the machine")
                                          : tr("%1 values wait to be sent to the machine").arg(waiting));
}

void TMainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    RefreshScreen();
}

void TMainWindow::DrawActivePage()
{
    switch (pctrlMain->currentIndex()) {
    case 0: DrawGraphicView(); break;
    case 1: DrawTextualView(); break;
    case 2:
        SchemeStr->move((tabSchematic->width() - SchemeStr->width()) / 2,
                        (tabSchematic->height() - SchemeStr->height()) / 2);
        break;
    default: break;
    }
}

void TMainWindow::DrawGraphicView()
{
    m_scaleX = double(MView->width()) / kPictureDesignWidth;
    const double s = m_scaleX;
    MView->setPictureScale(s * 0.8);
    const int fontHeight = s < 0.6 ? 10 : s < 0.9 ? 11 : s < 1.2 ? 15 : 18;

    shapeMachineStatus->setGeometry(RoundEven(156 * s), RoundEven(46 * s), RoundEven(30 * s), RoundEven(14 * s));
    const QColor lamp = m_machine->IsReady() ? kLampGreen : kRedState;
    shapeMachineStatus->setColors(lamp, lamp);

    auto place = [&](const QString &labelName, const QColor &colour, int left, int top, const QString &text) {
        auto *label = MView->findChild<QLabel *>(labelName);
        if (!label)
            return;
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, colour);
        label->setPalette(pal);
        QFont f = label->font();
        f.setPixelSize(fontHeight);
        label->setFont(f);
        label->setText(text);
        label->adjustSize();
        label->move(left, top);
    };

    for (int i = 0; i < m_machine->ZoneCount(); ++i) {
        const TZone *z = m_machine->GetZone(i);
        const bool ok = zoneInOrder(*z);
        const int left = RoundEven(z->LabelX * s);
        const int top = RoundEven(z->LabelY * s);
        // A target queued but not sent yet follows the reading: "183°C → 200".
        const auto queued = [this](char letter, int channel) {
            const std::optional<qint16> v = m_machine->QueuedValue(letter, channel);
            return v ? QStringLiteral(" → %1").arg(*v) : QString();
        };
        if (z->TempChannel != 0) {
            QString text;
            if (z->IsInfrared) {
                const std::optional<qint16> level = m_machine->QueuedValue('T', z->TempChannel);
                text = level ? QStringLiteral("→ ") + tr("%1 %").arg(*level * 20)
                             : tr("%1 %").arg(m_machine->GetTargetTemp(z->TempChannel) * 20);
            } else {
                text = tr("%1°C").arg(m_machine->GetActualTemp(z->TempChannel)) + queued('T', z->TempChannel);
            }
            place(z->TempLabel, ok ? kLampGreen : kMaroon, left, top, text);
        }
        if (z->FanChannel != 0)
            place(z->FanLabel, ok ? kLampGreen : kMaroon, left, RoundEven(z->LabelY * s + 25 * s),
                  tr("%1 %").arg(m_machine->GetActualFan(z->FanChannel)) + queued('F', z->FanChannel));
        if (z->SpeedChannel != 0)
            place(z->SpeedLabel, ok ? kLime : kRedState, left, top,
                  tr("%1 cm/min").arg(m_machine->GetActualSpeed(z->SpeedChannel)) + queued('V', z->SpeedChannel));
    }
}

void TMainWindow::DrawTextualView()
{
    const int w = std::max(1, pctrlMain->width() - 40);
    const int h = std::max(1, pctrlMain->height() - 35);
    m_paintBox->resize(w, h);
    m_paintBox->parentWidget()->resize(16 + w, 4 + h);
    m_scaleX = double(w) / kDesignWidth;
    m_scaleY = double(h) / kDesignHeight;
    const double sx = m_scaleX;
    const double sy = m_scaleY;

    QImage &canvas = m_paintBox->canvas();
    QPainter p(&canvas);
    p.fillRect(canvas.rect(), palette().button());
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(1, 1, w - 2, h - 2);
    p.drawRect(2, 2, w - 4, h - 4);

    const int fontHeight = (sx < 0.8 || sy < 0.8) ? 9 : (sx < 0.9 || sy < 0.9) ? 14 : 17;
    const QFont regular = pixelFont(font(), fontHeight);
    const QFont bold = pixelFont(font(), fontHeight, true);

    QString title;
    QColor titleColour = kRedState;
    if (!m_machine->IsConnected()) {
        title = tr("Machine is not connected!");
    } else if (m_machine->IsReady()) {
        title = tr("Machine state") + QStringLiteral(": ") + tr("Ready");
        titleColour = kGreenState;
    } else if (m_machine->GetOptionFlag(1)) {
        title = tr("Machine state") + QStringLiteral(": ") + tr("Hood open / Emergency off");
    } else {
        title = tr("Machine state") + QStringLiteral(": ") + tr("Not Ready");
    }
    p.setFont(bold);
    p.setPen(titleColour);
    textOut(p, (w - p.fontMetrics().horizontalAdvance(title)) / 2, RoundEven(8 * sy), title);
    p.setFont(regular);
    p.setPen(Qt::black);

    const QString underground = tr("Underground");
    const QString transfer = tr("Transfer");
    for (int i = 0; i < m_machine->ZoneCount(); ++i) {
        TZone *z = m_machine->GetZone(i);
        if (z->BoxLeft == z->BoxRight)
            continue;
        const int L = RoundEven(z->BoxLeft * sx);
        const int R = RoundEven(z->BoxRight * sx);
        const int T = RoundEven(z->BoxTop * sy);
        const int B = RoundEven(z->BoxBottom * sy);
        z->ViewLeft = L;
        z->ViewRight = R;
        z->ViewTop = T;
        z->ViewBottom = B;
        auto x = [&](int d) { return L + RoundEven(d * sx); };
        auto y = [&](int d) { return T + RoundEven(d * sy); };
        const int barTop = T + RoundEven((B - T) * 0.9);

        if (z->StateBit == 0) {
            p.setPen(Qt::black);
            p.setBrush(Qt::NoBrush);
            p.drawRect(L, T, R - L - 1, B - T - 1);
        } else {
            const QColor c = zoneInOrder(*z) ? kGreenState : kRedState;
            p.setPen(c);
            p.setBrush(Qt::NoBrush);
            p.drawRect(L, T, R - L - 1, B - T - 1);
            p.fillRect(QRect(QPoint(L, barTop), QPoint(R - 1, B - 1)), c);
        }

        p.setPen(Qt::black);
        p.setFont(bold);
        textOut(p, L + 5, T + 3, z->Name);
        p.setFont(regular);

        const bool isUnderground = z->Name == underground;
        const auto degrees = [this](int v) { return tr("  %1°C").arg(v); };
        // A target that waits to be sent is not the machine's yet: "  → 200°C".
        const auto marked = [this](const QString &text, char letter, int channel) {
            if (!m_machine->QueuedValue(letter, channel))
                return text;
            return QStringLiteral("  → ") + text.mid(2);
        };
        if (z->TempChannel != 0) {
            const int target = m_machine->GetTargetTemp(z->TempChannel);
            const int actual = m_machine->GetActualTemp(z->TempChannel);
            if (isUnderground) {
                textOut(p, x(180), y(5), tr("Target"));
                textOut(p, x(290), y(5), tr("Actual"));
                textOut(p, x(180), y(25), marked(degrees(target), 'T', z->TempChannel));
                textOut(p, x(290), y(25), degrees(actual));
            } else if (z->IsInfrared) {
                textOut(p, L + 5, y(25), tr("IR power preselection"));
                textOut(p, L + 5, y(45), marked(tr("  %1 (%2%)").arg(target).arg(target * 20), 'T', z->TempChannel));
            } else if (z->TempSettable) {
                textOut(p, L + 5, y(25), tr("Target"));
                textOut(p, L + 5, y(45), marked(degrees(target), 'T', z->TempChannel));
                textOut(p, L + 5, y(65), tr("Actual"));
                textOut(p, L + 5, y(85), degrees(actual));
            } else {
                textOut(p, L + 5, y(25), tr("Actual"));
                textOut(p, L + 5, y(45), degrees(actual));
            }
        }
        if (z->FanChannel != 0) {
            textOut(p, L + 5, y(105), tr("Setting Fan"));
            textOut(p, L + 5, y(125), marked(tr("  %1%").arg(m_machine->GetTargetFan(z->FanChannel)), 'F', z->FanChannel));
            textOut(p, L + 5, y(145), tr("Actual Fan"));
            textOut(p, L + 5, y(165), tr("  %1%").arg(m_machine->GetActualFan(z->FanChannel)));
        }
        if (z->SpeedChannel != 0) {
            textOut(p, x(160), y(5), tr("Target Speed"));
            textOut(p, x(160), y(25),
                    marked(tr("  %1 cm/min").arg(m_machine->GetTargetSpeed(z->SpeedChannel)), 'V', z->SpeedChannel));
            textOut(p, x(340), y(5), tr("Actual Speed"));
            textOut(p, x(340), y(25), tr("  %1 cm/min").arg(m_machine->GetActualSpeed(z->SpeedChannel)));
        }
        if (z->HeaterChannel != 0) {
            const auto onOff = [this](int v) { return v == 1 ? tr("On") : tr("Off"); };
            textOut(p, L + 5, y(22), tr("Setting"));
            const QString setting = onOff(m_machine->GetHeater(z->HeaterChannel));
            textOut(p, x(80), y(22),
                    m_machine->QueuedValue('H', z->HeaterChannel) ? QStringLiteral("→ ") + setting : setting);
            textOut(p, L + 5, y(40), tr("Actual"));
            textOut(p, x(80), y(40), onOff(m_machine->GetActualHeater(z->HeaterChannel)));
        }
        if (z->ErrorBit != 0 && m_machine->GetOptionFlag(z->ErrorBit)) {
            p.setFont(bold);
            p.setPen(kRedState);
            const QString mark = tr("Error") + QStringLiteral("!");
            if (isUnderground)
                textOut(p, x(400), y(5), mark);
            else if (z->Name == transfer)
                textOut(p, x(510), y(5), mark);
            else
                textOut(p, errorMarkAt(p.fontMetrics(), mark, L, R, y(185), z->StateBit != 0 ? barTop : B - 1),
                        mark);
            p.setFont(regular);
            p.setPen(Qt::black);
        }
    }
    p.end();
    m_paintBox->present();
}

bool TMainWindow::zoneInOrder(const TZone &zone) const
{
    // An error bit says more than a ready bit: a zone in error is not in order, whatever
    // its state bit says.
    const bool inError = zone.ErrorBit != 0 && m_machine->GetOptionFlag(zone.ErrorBit);
    return m_machine->GetStatusFlag(zone.StateBit) && !inError;
}

// ---------------------------------------------------------------- operator actions

void TMainWindow::SendTargetClick()
{
    m_machine->SendPendingValues();
}

void TMainWindow::toggleHeater(const TZone &zone)
{
    if (!m_machine->IsConnected()) {
        vard::ShowNotConnected(this);
        return;
    }
    const int h = zone.HeaterChannel;
    // A zone found under another language's name may not be the heater: never queue a
    // heater setting for a channel that is none.
    if (h == 0)
        return;
    // A toggle of a guess could switch a running oven's heater off.
    if (!m_machine->HeaterKnown(h)) {
        vard::ShowMessage(this, tr("The heater's state has not been read from the machine yet. Try again in a moment."),
                          true);
        return;
    }
    m_machine->SetHeater(h, m_machine->GetHeater(h) == 1 ? 0 : 1);
}

void TMainWindow::HeaterClick()
{
    const QString heater = tr("Heater");
    for (int i = 0; i < m_machine->ZoneCount(); ++i) {
        if (m_machine->GetZone(i)->Name == heater)
            m_currentZone = i;
    }
    if (!m_machine->IsConnected()) {
        vard::ShowNotConnected(this);
        return;
    }
    if (const TZone *zone = Zone(m_currentZone))
        toggleHeater(*zone);
}

void TMainWindow::SpeedClick()
{
    const QString transfer = tr("Transfer");
    for (int i = 0; i < m_machine->ZoneCount(); ++i) {
        if (m_machine->GetZone(i)->Name == transfer)
            m_currentZone = i;
    }
    openEditDialog();
}

void TMainWindow::SelectZoneSelect(int index)
{
    const QString chosen = SelectZone->itemText(index);
    for (int i = 0; i < m_machine->ZoneCount(); ++i) {
        if (m_machine->GetZone(i)->Name == chosen) {
            m_currentZone = i;
            break;
        }
    }
    openEditDialog();
}

void TMainWindow::PaintBoxMouseDown(QPoint position)
{
    for (int i = 0; i < m_machine->ZoneCount(); ++i) {
        const TZone *z = m_machine->GetZone(i);
        if (position.x() < z->ViewLeft || position.x() > z->ViewRight || position.y() < z->ViewTop
            || position.y() > z->ViewBottom)
            continue;
        ZoneClicked(i);
        return;
    }
}

void TMainWindow::ZoneClicked(int index)
{
    const TZone *z = Zone(index);
    if (!z)
        return;
    m_currentZone = index;
    if ((z->TempChannel != 0 && z->TempSettable) || z->FanChannel != 0 || z->SpeedChannel != 0)
        openEditDialog();
    // Looked up again: a link lost while the dialog was open removes the zones.
    if (const TZone *again = Zone(index); again && again->HeaterChannel != 0)
        toggleHeater(*again);
}

int TMainWindow::zoneOfLabel(const QObject *label) const
{
    const QString name = label->objectName();
    for (int i = 0; i < m_machine->ZoneCount(); ++i) {
        const TZone *z = m_machine->GetZone(i);
        if ((z->TempChannel != 0 && z->TempLabel == name) || (z->FanChannel != 0 && z->FanLabel == name)
            || (z->SpeedChannel != 0 && z->SpeedLabel == name))
            return i;
    }
    return -1;
}

void TMainWindow::openEditDialog()
{
    OpenEditDialog(this);
}

void TMainWindow::closeEvent(QCloseEvent *event)
{
    if (onQuitRequested && !onQuitRequested()) {
        event->ignore();
        return;
    }
    const int waiting = m_machine->QueuedCount();
    const QString question =
        waiting > 0 ? (waiting == 1 ? tr("1 changed value has not been sent to the machine.")
                                    : tr("%1 changed values have not been sent to the machine.").arg(waiting))
                          + u'\n' + tr("Do you really want to quit the application?")
                    : tr("Do you really want to quit the application?");
    if (vard::AskConfirm(this, question, waiting > 0))
        event->accept();
    else
        event->ignore();
}
