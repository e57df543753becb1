#pragma once
// The operator's main window: the machine as a picture with value labels (graphic
// view), as a painted table of its zones (textual view) and a placeholder page; the
// connection state, the operation time and the identification; the zone selector, the
// heater and speed buttons and "Send Values"; and the menu to every other window.
//
// Its refresh timer redraws the page that is shown from the machine's value table; it
// never talks to the serial link itself.

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>

#include "machine/MachineUnit.h"

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QTabWidget;
class PaintBox;
class PictureView;
class ShapeWidget;
class TDebugForm;
class TLanguageManager;
class TLogForm;
class TMessungInfo;

class TMainWindow : public QMainWindow, public TMachineHost {
    Q_OBJECT
public:
    // The value of [Debug] Debug that shows the service menu.
    static constexpr int kDebugAccessValue = -7;
    static constexpr int kDesignWidth = 752;  // textual view, design units
    static constexpr int kDesignHeight = 400;
    static constexpr int kPictureDesignWidth = 784; // graphic view, design units
    static constexpr int kDefaultRefreshRate = 500; // [MainWindow] RefreshRate, ms

    explicit TMainWindow(TMachine *machine, QWidget *parent = nullptr);
    ~TMainWindow() override;

    // The windows the menu opens; they live as long as this one.
    void SetLogForm(TLogForm *log) { m_logForm = log; }
    void SetDebugForm(TDebugForm *debug) { m_debugForm = debug; }

    // Menu entries of windows that come with other parts of the program. Unset, they
    // refuse with "Machine is not connected!" where a machine is needed and do nothing
    // otherwise.
    std::function<void()> onProfiles, onMeasureStart, onCallTavo, onMachineOptions, onProgramSettings,
        onChecksum, onAboutApp, onAboutMaker;
    // Asked before the quit question; false keeps the program running.
    std::function<bool()> onQuitRequested;

    // "Language": offers the translations found beside the program and switches every
    // window to the chosen one. The languages come from the program-wide manager
    // unless a test gives its own.
    void SwitchLanguage();
    void SetLanguageManager(TLanguageManager *languages) { m_languages = languages; }

    // The line messaging's state at the right of the status bar ("CFX: connected"); an
    // empty text hides it (no broker configured).
    void SetCfxStatus(const QString &text);

    // TMachineHost
    int CurrentZone() const override { return m_currentZone; }
    quint32 MeasureStart() const override { return m_measureStart; }
    TMessungInfo *Measurement() const override { return m_measurement.get(); }

    void SetCurrentZone(int zone) { m_currentZone = zone; }
    void SetMeasureStart(quint32 tick) { m_measureStart = tick; }
    TMachine *Machine() const { return m_machine; }
    TZone *Zone(int index) const { return m_machine->GetZone(index); }

    void RefreshScreen();
    void DrawActivePage();
    void DrawGraphicView();
    void DrawTextualView();

    double ScaleX() const { return m_scaleX; }
    double ScaleY() const { return m_scaleY; }
    bool DebugMode() const { return m_debugMode; }
    int RefreshRate() const { return m_refreshRate; }
    QString StatusText(int panel) const;
    void SetStatusText(int panel, const QString &text);

    // Handlers, public so that tests can drive them like the operator does.
    void SendTargetClick();
    void HeaterClick();
    void SpeedClick();
    void SelectZoneSelect(int index);
    void PaintBoxMouseDown(QPoint position);
    // A press on a zone, in either view: the edit dialog for a zone with something to
    // set, the heater toggle for the heater.
    void ZoneClicked(int index);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildPages();
    void buildPanel();
    void buildMenu();
    void retranslateUi();
    TLanguageManager &languages() const;
    void toggleHeater(const TZone &zone);
    // Neither its state bit nor its error bit says something is wrong.
    bool zoneInOrder(const TZone &zone) const;
    // The zone whose value a label of the picture shows; -1 for none.
    int zoneOfLabel(const QObject *label) const;
    // "Send Values (3)": how many values wait.
    void showQueuedCount();
    void openEditDialog();
    void runOrRefuse(const std::function<void()> &action, bool needsMachine);

    // What the machine object's type switch changes here.
    void clearTypeDependentParts();
    void fillZoneSelector(const QStringList &names);
    void renameZoneSelector();
    void showOperationTime(bool visible);
    void loadMachinePicture(const QString &relativePath);
    void showLabels(const QStringList &names);

    TMachine *m_machine;
    TLogForm *m_logForm = nullptr;
    TDebugForm *m_debugForm = nullptr;
    TLanguageManager *m_languages = nullptr;

    bool m_refreshing = true;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    bool m_debugMode = false;
    int m_refreshRate = kDefaultRefreshRate;
    std::unique_ptr<TMessungInfo> m_measurement;
    quint32 m_measureStart = 0;
    int m_currentZone = 0;

    QTabWidget *pctrlMain = nullptr;
    // Across the top, above the views, while an alarm lasts.
    QLabel *lblAlarm = nullptr;
    QStringList m_alarmsShown;
    void showAlarms();
    QWidget *tabGraphic = nullptr;
    QWidget *taxText = nullptr;
    QWidget *tabSchematic = nullptr;
    PictureView *MView = nullptr;
    QList<QLabel *> m_valueLabels; // lblTemp0..5, lblFan0..3, lblChain
    ShapeWidget *shapeMachineStatus = nullptr;
    QScrollArea *ScrollBox1 = nullptr;
    PaintBox *m_paintBox = nullptr;
    QLabel *SchemeStr = nullptr;

    QFrame *Panel = nullptr;
    QComboBox *SelectZone = nullptr;
    ShapeWidget *SendTargetFrame = nullptr;
    QPushButton *SendTarget = nullptr;
    QPushButton *Heater = nullptr;
    QPushButton *Speed = nullptr;
    ShapeWidget *Shape1 = nullptr;
    ShapeWidget *Shape3 = nullptr;
    QLabel *ConnectStr = nullptr;
    ShapeWidget *ConnectOn = nullptr;
    ShapeWidget *ConnectOff = nullptr;
    QLabel *MachineTimeStr = nullptr;
    QLabel *MachineTime = nullptr;
    ShapeWidget *MachineTimeShape = nullptr;
    QLabel *m_statusPanel[2] = {nullptr, nullptr};
    QLabel *m_cfxStatus = nullptr;

    QMenu *menuFile = nullptr, *menuMeas = nullptr, *menuExtra = nullptr, *menuDebug = nullptr, *menuHelp = nullptr;
    QAction *menuFileProfiles = nullptr, *menuFileExit = nullptr, *menuMeasStart = nullptr, *menuMeasTavo = nullptr,
            *menuExtraOptions = nullptr, *menuExtraSettings = nullptr, *menuExtraLog = nullptr,
            *menuExtraLanguage = nullptr, *menuExtraTrend = nullptr, *menuDebugApplication = nullptr, *menuDebugChecksum = nullptr,
            *menuHelpAboutApp = nullptr, *menuHelpAboutKEL = nullptr;
    QAction *m_debugMenuAction = nullptr;

    QTimer tmrRefreshScreen;
};

// Half-way cases go to the even neighbour, as every position and size of the views is
// rounded.
int RoundEven(double value);

// The edit dialog's entry: refuses with "Machine is not connected!" when no machine is
// connected, else edits the main window's current zone, modally.
void OpenEditDialog(TMainWindow *main);
