// SPDX-License-Identifier: GPL-3.0-or-later
#include "curveeditor.h"

#include "coolingcontrol.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

enum Column { ValueColumn, LevelColumn };

// A new point lies this far past the last one, at the same level.
constexpr double NewPointStep = 10.0;

QString valueText(double value)
{
    return QLocale::c().toString(value, 'g', 4);
}

QString unitText(SourceList::Unit unit)
{
    return unit == SourceList::Unit::Percent ? QStringLiteral("%") : QStringLiteral("°C");
}

} // namespace

CurveEditor::CurveEditor(int group, CoolingControl &control, TopLevels tops, QWidget *parent)
    : QGroupBox(tr("Fan G%1").arg(group + 1), parent),
      m_group(group),
      m_control(control),
      m_tops(std::move(tops)),
      m_source(new QComboBox(this)),
      m_platformNote(new QLabel(this)),
      m_points(new QTableWidget(0, 2, this)),
      m_add(new QPushButton(tr("Add point"), this)),
      m_remove(new QPushButton(tr("Remove point"), this)),
      m_reset(new QPushButton(tr("Reset to default"), this)),
      m_live(new QLabel(this)),
      m_refusal(new QLabel(this))
{
    setObjectName(QStringLiteral("curveEditorG%1").arg(group + 1));
    buildLayout();
    load();
    connect(m_source, qOverload<int>(&QComboBox::activated), this, &CurveEditor::chooseSource);
    connect(m_points, &QTableWidget::cellChanged, this, &CurveEditor::pointsEdited);
    connect(m_add, &QPushButton::clicked, this, &CurveEditor::addPoint);
    connect(m_remove, &QPushButton::clicked, this, &CurveEditor::removePoint);
    // Also drops an edit that was refused, which changed nothing to reset.
    connect(m_reset, &QPushButton::clicked, this, [this] {
        m_control.resetToDefault(m_group);
        load();
    });
    // Queued: a change made from this table's own edit must not refill it
    // while the table still handles that edit.
    connect(
        &m_control, &CoolingControl::choiceChanged, this,
        [this](int group) {
            if (group == m_group)
                load();
        },
        Qt::QueuedConnection);
}

void CurveEditor::buildLayout()
{
    m_points->setHorizontalHeaderLabels({tr("Value"), tr("Level")});
    m_points->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_points->verticalHeader()->hide();
    m_platformNote->setWordWrap(true);
    m_platformNote->setText(tr("Windows offers no temperature sensors to programs without a kernel driver of "
                               "their own: only the CPU load can be followed here."));
    m_platformNote->setVisible(!m_control.offersTemperatures());
    m_refusal->setWordWrap(true);
    m_refusal->setObjectName(QStringLiteral("curveRefusal"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_source);
    layout->addWidget(m_platformNote);
    layout->addWidget(m_points, 1);
    layout->addLayout(buttons);
    layout->addWidget(m_reset);
    layout->addWidget(m_live);
    layout->addWidget(m_refusal);
}

void CurveEditor::load()
{
    const QScopedValueRollback<bool> loading(m_loading, true);
    fillSources();
    fillPoints();
    showRefusal(QString());
    showLiveValue();
}

// A chosen sensor that is absent now stays in the list, so the choice shows.
void CurveEditor::fillSources()
{
    m_source->clear();
    const QVector<CoolingControl::SourceValue> values = m_control.sourceValues();
    for (const CoolingControl::SourceValue &value : values)
        m_source->addItem(value.source.name, value.source.id);
    const QString chosen = m_control.choice(m_group).source();
    if (m_source->findData(chosen) < 0)
        m_source->addItem(tr("%1 (absent)").arg(chosen), chosen);
    m_source->setCurrentIndex(m_source->findData(chosen));
}

void CurveEditor::fillPoints()
{
    const QVector<FanCurve::Point> points = m_control.curveFor(m_group, m_tops()).points();
    m_points->setRowCount(points.size());
    for (int row = 0; row < points.size(); ++row) {
        m_points->setItem(row, ValueColumn, new QTableWidgetItem(valueText(points[row].value)));
        m_points->setItem(row, LevelColumn, new QTableWidgetItem(valueText(points[row].level)));
    }
    m_add->setEnabled(points.size() < FanCurve::MaxPoints);
    m_remove->setEnabled(points.size() > FanCurve::MinPoints);
}

// Points of one source mean nothing for another: a new source starts from its default curve.
void CurveEditor::chooseSource(int index)
{
    showRefusal(m_control.setCurve(m_group, m_source->itemData(index).toString(),
                                   QLatin1String(CoolingChoice::DefaultCurveText)));
}

void CurveEditor::pointsEdited()
{
    if (m_loading)
        return;
    showRefusal(m_control.setCurve(m_group, selectedSource(), pointsText()));
}

void CurveEditor::addPoint()
{
    const int last = m_points->rowCount() - 1;
    const double value = m_points->item(last, ValueColumn)->text().toDouble() + NewPointStep;
    {
        const QScopedValueRollback<bool> loading(m_loading, true);
        m_points->insertRow(last + 1);
        m_points->setItem(last + 1, ValueColumn, new QTableWidgetItem(valueText(value)));
        m_points->setItem(last + 1, LevelColumn, m_points->item(last, LevelColumn)->clone());
    }
    pointsEdited();
}

void CurveEditor::removePoint()
{
    const int row = m_points->currentRow() >= 0 ? m_points->currentRow() : m_points->rowCount() - 1;
    {
        const QScopedValueRollback<bool> loading(m_loading, true);
        m_points->removeRow(row);
    }
    pointsEdited();
}

QString CurveEditor::pointsText() const
{
    QStringList points;
    for (int row = 0; row < m_points->rowCount(); ++row) {
        const QTableWidgetItem *value = m_points->item(row, ValueColumn);
        const QTableWidgetItem *level = m_points->item(row, LevelColumn);
        points.append((value ? value->text() : QString()) + QLatin1Char(':') + (level ? level->text() : QString()));
    }
    return points.join(QLatin1Char(','));
}

void CurveEditor::showLiveValue()
{
    const QString source = selectedSource();
    const std::optional<double> value = m_control.currentValue(source);
    if (!value) {
        m_live->setText(tr("Now: no reading"));
        return;
    }
    m_live->setText(tr("Now %1 %2: level %3")
                        .arg(valueText(*value), unitText(SourceList::unitOf(source)))
                        .arg(m_control.levelFor(m_group, *value, m_tops())));
}

void CurveEditor::showRefusal(const QString &refusal)
{
    m_refusal->setText(refusal);
    m_refusal->setVisible(!refusal.isEmpty());
}

QString CurveEditor::selectedSource() const
{
    return m_source->currentData().toString();
}
