#pragma once
// The microphone's level as a thin bar in the window's skin: filled in the
// gauge's blue up to the level (kShownFloorDb at the left end, 0 dBFS at the
// right), a mark at the held peak, all in red while clipping. Screen
// readers see a level bar whose value is the level in dBFS (-90: silence).
// It shows what it is told; it takes no focus, having nothing to set.

#include <QColor>
#include <QWidget>

class LevelMeterBar : public QWidget {
    Q_OBJECT
public:
    static constexpr double kFloorDb = -90;
    static constexpr double kShownFloorDb = -60;  // quieter shows as empty

    explicit LevelMeterBar(QWidget* parent = nullptr);

    void SetLevel(double levelDb, double peakDb, bool clipping);
    double LevelDb() const { return levelDb_; }
    double PeakDb() const { return peakDb_; }
    bool Clipping() const { return clipping_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int X(double db) const;

    double levelDb_ = kFloorDb;
    double peakDb_ = kFloorDb;
    bool clipping_ = false;
    int toldDb_ = int(kFloorDb);  // the value screen readers were last told
};
