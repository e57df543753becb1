#pragma once
// The "Zone trend" window: the chosen zones' actual temperature against their target
// over the last 10 min, 1 h, 8 h or 24 h of the shift, with the times the machine was
// not in order or had an error shaded, and a cursor that reads every curve at once.

#include <QPointer>
#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;
class TMachine;

namespace vard {
class ZoneHistory;
}

// The plot: per pixel column the lowest and highest value of each series, so a day of
// samples costs what the plot has columns.
class TTrendChart : public QWidget {
    Q_OBJECT
public:
    explicit TTrendChart(QWidget *parent = nullptr);

    struct Curve {
        int series = 0;
        QColor colour;
        bool dashed = false;
        QString name;
    };
    // What to draw: a segment of the history, its curves, and the time span ending at
    // the segment's last sample.
    void show(const vard::ZoneHistory *history, int segmentId, const std::vector<Curve> &curves, qint64 spanMs);
    // The readout at a time (ms since the epoch): "hh:mm:ss  name value, ...".
    QString readoutAt(qint64 ms) const;
    qint64 timeAtX(int x) const;
    QRect plotRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    const vard::ZoneHistory *m_history = nullptr;
    int m_segment = 0;
    std::vector<Curve> m_curves;
    qint64 m_fromMs = 0;
    qint64 m_toMs = 0;
    int m_cursorX = -1;
};

class TZoneTrendForm : public QWidget {
    Q_OBJECT
public:
    explicit TZoneTrendForm(TMachine *machine, QWidget *parent = nullptr);
    ~TZoneTrendForm() override; // stores the position ("TrendForm" in "Vard.pos")

    // Picks up new samples and another connection's segment.
    void Refresh();
    TTrendChart *Chart() const { return m_chart; }
    void btnExportClick();

protected:
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void retranslateUi();
    void fillZones();
    int initialSpan() const;

    QPointer<TMachine> m_machine;
    int m_segment = 0;
    QLabel *lblZones;
    QListWidget *lstZones;
    QLabel *lblSpan;
    QComboBox *comboSpan;
    QPushButton *btnExport;
    TTrendChart *m_chart;
    QTimer *m_refresh;
};

// Opens the one trend window (created on first use).
void OpenZoneTrendWindow(TMachine *machine, QWidget *owner);
void CloseZoneTrendWindow();
