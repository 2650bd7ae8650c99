#include "app/AccessibleWidgets.h"

#include "app/BarMeter.h"
#include "app/ScaleLabel.h"
#include "util/Texts.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace zkd {
namespace {

QString inLanguage(const Language &language, const LangText &text)
{
    return pick(language, text).value_or(str(text.en));
}

class BarMeterAccessible final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit BarMeterAccessible(BarMeter *meter) : QAccessibleWidget(meter, QAccessible::ProgressBar) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text type) const override
    {
        switch (type) {
        case QAccessible::Description: return meter()->description();
        case QAccessible::Value: return QString::number(meter()->level());
        default: return QAccessibleWidget::text(type);
        }
    }

    QVariant currentValue() const override { return int(meter()->level()); }
    // The level comes from the instrument only.
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return int(meter()->fullScale()); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    BarMeter *meter() const { return static_cast<BarMeter *>(object()); }
};

class ScaleLabelAccessible final : public QAccessibleWidget
{
public:
    explicit ScaleLabelAccessible(ScaleLabel *scale) : QAccessibleWidget(scale, QAccessible::StaticText) {}

    QString text(QAccessible::Text type) const override
    {
        // The caption spaces its ticks with runs of blanks; read aloud, one
        // blank between the tick texts says the same.
        if (type == QAccessible::Name)
            return static_cast<ScaleLabel *>(object())->text().simplified();
        return QAccessibleWidget::text(type);
    }
};

QAccessibleInterface *ownWidgets(const QString &, QObject *object)
{
    if (auto *meter = qobject_cast<BarMeter *>(object))
        return new BarMeterAccessible(meter);
    if (auto *scale = qobject_cast<ScaleLabel *>(object))
        return new ScaleLabelAccessible(scale);
    return nullptr;
}

} // namespace

void installAccessibleWidgets()
{
    static const bool installed = [] {
        QAccessible::installFactory(ownWidgets);
        return true;
    }();
    Q_UNUSED(installed);
}

void describeInput(BarMeter &bar, ScaleLabel &scale, int input, const Language &language)
{
    bar.setAccessibleName(inLanguage(language, texts::AccessBarName).arg(input));
    bar.setDescriptionFormat(inLanguage(language, texts::AccessBarDescription));
    describeScale(scale, input, language);
}

void describeScale(ScaleLabel &scale, int input, const Language &language)
{
    scale.setAccessibleDescription(inLanguage(language, texts::AccessScaleDescription).arg(input));
}

} // namespace zkd
