#include "app/StatusPanel.h"

#include "util/Clock.h"
#include "util/Texts.h"

#include <QDir>
#include <QLabel>
#include <QTimer>

namespace zkd {
namespace {

constexpr int kRefreshMs = 1000;
constexpr int kWarningShownMs = 30000;
// A port path longer than this many characters gives way to the device's
// name, so that the message field keeps room; the tooltip holds it whole.
constexpr int kPortFieldChars = 32;

// Setting a style sheet polishes the widget again, even an unchanged one.
void setLabelStyle(QLabel *label, const QString &style)
{
    if (label->styleSheet() != style)
        label->setStyleSheet(style);
}

} // namespace

StatusPanel::StatusPanel(const IClock &clock, StateSource source, QWidget *parent)
    : QStatusBar(parent), m_clock(clock), m_source(std::move(source)), m_freeSpace(&status::freeBytes)
{
    setObjectName(QStringLiteral("StatusBar"));
    m_port = addField("StatusPort");
    m_state = addField("StatusState");
    m_counts = addField("StatusCounts");
    m_elapsed = addField("StatusElapsed");
    m_free = addField("StatusFree");
    // A message too long for the room beside the fields can be read whole.
    connect(this, &QStatusBar::messageChanged, this, [this](const QString &message) { setToolTip(message); });
    m_timer = new QTimer(this);
    m_timer->setInterval(kRefreshMs);
    connect(m_timer, &QTimer::timeout, this, &StatusPanel::refresh);
    m_timer->start();
    setLanguage(Language());
}

QLabel *StatusPanel::addField(const char *name)
{
    auto *label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setContentsMargins(4, 0, 4, 0);
    addPermanentWidget(label);
    return label;
}

void StatusPanel::setLanguage(const Language &language)
{
    m_language = language;
    m_elapsed->setToolTip(pickOrEnglish(language, texts::StatusElapsedTip));
    m_free->setToolTip(pickOrEnglish(language, texts::StatusFreeTip));
    refresh();
}

void StatusPanel::runStarted()
{
    m_recording = true;
    m_hasRun = true;
    m_startedMs = m_clock.monotonicMs();
    m_lines = 0;
    m_bytes = 0;
    refresh();
}

void StatusPanel::runEnded()
{
    if (!m_recording)
        return;
    m_recording = false;
    m_endedMs = m_clock.monotonicMs();
    refresh();
}

void StatusPanel::refresh()
{
    const State state = m_source ? m_source() : State();
    const Language &lang = m_language;
    m_port->setText(status::portField(state.port, state.settings, kPortFieldChars));
    m_port->setToolTip(pickOrEnglish(lang, texts::StatusPortTip) + QStringLiteral(":\n")
                       + status::portSummary(state.port, state.settings));

    const LangText &stateText = !state.portOpen ? texts::StatusClosed
        : m_recording                           ? texts::StatusRecording
                                                : texts::StatusOpen;
    m_state->setText(pickOrEnglish(lang, stateText));
    setLabelStyle(m_state,
                  m_recording && state.portOpen ? QStringLiteral("color: #b00000; font-weight: bold;") : QString());

    m_counts->setText(
        pickOrEnglish(lang, texts::StatusCounts).arg(status::count(m_lines, lang), status::count(m_bytes, lang)));
    m_elapsed->setText(m_hasRun ? status::elapsed((m_recording ? m_clock.monotonicMs() : m_endedMs) - m_startedMs)
                                : str(texts::StatusUnknown));

    const std::optional<qint64> free = m_freeSpace ? m_freeSpace(state.workFolder) : std::nullopt;
    const bool warn = m_lowSpace.update(free);
    if (!free) {
        m_free->setText(str(texts::StatusUnknown));
        setLabelStyle(m_free, QString());
        return;
    }
    const QString amount = status::size(*free, lang);
    m_free->setText(pickOrEnglish(lang, texts::StatusFree).arg(amount));
    setLabelStyle(m_free, m_lowSpace.low() ? QStringLiteral("color: white; background: #c00000;") : QString());
    if (warn)
        showMessage(pickOrEnglish(lang, texts::StatusLowSpace).arg(amount, QDir::toNativeSeparators(state.workFolder)),
                    kWarningShownMs);
}

} // namespace zkd
