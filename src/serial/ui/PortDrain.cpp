#include "serial/ui/PortDrain.h"

#include "serial/MSComm1.h"
#include "util/Clock.h"
#include "util/Prompts.h"
#include "util/Texts.h"

#include <QCoreApplication>

namespace zkd {
namespace {
constexpr qint64 kDrainDeadlineMs = 10000;
constexpr int kDrainPollMs = 10;
} // namespace

bool waitUntilSent(MSComm1 &comm, IClock &clock, IPrompts &prompts)
{
    qint64 deadline = clock.monotonicMs() + kDrainDeadlineMs;
    while (comm.OutBufferCount() != 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, kDrainPollMs);
        comm.waitForBytesWritten(kDrainPollMs);
        if (!comm.PortOpen())
            break;
        if (clock.monotonicMs() > deadline) {
            const PromptButton answer = prompts.ask({str(texts::DataCannotBeSent),
                                                     str(texts::AppTitle),
                                                     PromptIcon::Question,
                                                     {PromptButton::Abort, PromptButton::Retry, PromptButton::Ignore}});
            if (answer == PromptButton::Abort)
                return false;
            if (answer == PromptButton::Ignore)
                break;
            deadline = clock.monotonicMs() + kDrainDeadlineMs;
        }
    }
    return true;
}

} // namespace zkd
