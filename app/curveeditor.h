// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autocooling.h"

#include <QGroupBox>

#include <functional>

class CoolingControl;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

/**
 * One fan group's part of the cooling page: the source it follows in AUTO,
 * its curve's points (value and level, one row each), the source's value now
 * with the level it gives, and a reset to what AUTO always did.
 *
 * Each change the user makes goes to the cooling control at once; one it
 * refuses (points that make no curve while being typed) is shown, not taken.
 * Changes made elsewhere (D-Bus, corvane-ctl) show up here.
 */
class CurveEditor final : public QGroupBox
{
    Q_OBJECT

public:
    using TopLevels = std::function<AutoCooling::TopLevels()>;

    /// @p control must outlive the editor; @p tops tells the groups' top levels now.
    CurveEditor(int group, CoolingControl &control, TopLevels tops, QWidget *parent = nullptr);

    /// Shows the source's value now and the level the curve gives for it.
    void showLiveValue();
    /// Fills the controls from the group's choice.
    void load();

private:
    void buildLayout();
    void fillSources();
    void fillPoints();
    void chooseSource(int index);
    void pointsEdited();
    void addPoint();
    void removePoint();
    QString pointsText() const;
    void showRefusal(const QString &refusal);
    QString selectedSource() const;

    int m_group;
    CoolingControl &m_control;
    TopLevels m_tops;
    QComboBox *m_source;
    QLabel *m_platformNote;
    QTableWidget *m_points;
    QPushButton *m_add;
    QPushButton *m_remove;
    QPushButton *m_reset;
    QLabel *m_live;
    QLabel *m_refusal;
    bool m_loading = false;
};
