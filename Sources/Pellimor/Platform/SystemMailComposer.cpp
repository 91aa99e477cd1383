#include "Platform/MailComposer.h"
#include "Platform/SystemServices.h"

namespace pellimor::platform {

namespace {

// The desktop offers no service that fills a new message with a long text: a mail link
// carries a few words at most. Callers put the text on the clipboard and open a link instead.
class SystemMailComposer final : public MailComposer {
public:
    bool compose(const QStringList& /*recipients*/, const QString& /*subject*/,
                 const QString& /*body*/) override {
        return false;
    }
};

} // namespace

std::shared_ptr<MailComposer> makeSystemMailComposer() {
    return std::make_shared<SystemMailComposer>();
}

} // namespace pellimor::platform
