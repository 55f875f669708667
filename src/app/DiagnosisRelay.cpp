#include "app/DiagnosisRelay.h"

#include "app/TVeldrisForm.h"
#include "canopen/CanOpenClient.h"

#include <ctime>
#include <utility>

namespace {

constexpr std::chrono::milliseconds linePause{100};

} // namespace

DiagnosisRelay::DiagnosisRelay(TVeldrisForm& page, veldris::CanOpenClient& client) : form(page), bus(client)
{
    connect(this, &DiagnosisRelay::queued, this, &DiagnosisRelay::showQueued, Qt::QueuedConnection);
}

// The time prefix is taken when the line is due, after its wait, as the report shows it.
void DiagnosisRelay::line(const std::string& text, bool withTime)
{
    bus.pause(linePause);
    std::string shown = (withTime ? veldris::timePrefix(std::time(nullptr)) : std::string()) + text;
    post([shown = std::move(shown)](TVeldrisForm& page) { page.appendLine(shown); });
}

void DiagnosisRelay::result(const veldris::DiagnosisResult& result)
{
    bus.pause(linePause);
    std::string shown = veldris::resultLine(result, std::time(nullptr));
    post([result, shown = std::move(shown)](TVeldrisForm& page) { page.addResult(result, shown); });
}

void DiagnosisRelay::show(veldris::DiagnosisField field, const std::string& text)
{
    post([field, text](TVeldrisForm& page) { page.showDiagnosisField(field, text); });
}

void DiagnosisRelay::message(veldris::Message slot)
{
    postAndWait([slot](TVeldrisForm& page) { page.showSlotMessage(slot); });
}

bool DiagnosisRelay::wait(std::chrono::milliseconds duration)
{
    return bus.pause(duration);
}

void DiagnosisRelay::post(Item item)
{
    {
        const std::lock_guard guard(mutex);
        items.push_back(std::move(item));
    }
    emit queued();
}

// Waits until the page has run `item`, also when it ended by an exception (which the window's
// event loop reports).
void DiagnosisRelay::postAndWait(Item item)
{
    bool done = false; // guarded by mutex
    struct Done {
        DiagnosisRelay& relay;
        bool& done;
        ~Done()
        {
            const std::lock_guard guard(relay.mutex);
            done = true;
            relay.itemShown.notify_all();
        }
    };
    post([this, &done, item = std::move(item)](TVeldrisForm& page) {
        const Done mark{*this, done};
        item(page);
    });
    std::unique_lock guard(mutex);
    itemShown.wait(guard, [&done] { return done; });
}

// One item at a time: an item that opens a message box lets the window's event loop run this
// again meanwhile, and the items behind it must still come in order.
void DiagnosisRelay::showQueued()
{
    Item item;
    while (takeNext(item))
        item(form);
}

bool DiagnosisRelay::takeNext(Item& item)
{
    const std::lock_guard guard(mutex);
    if (items.empty())
        return false;
    item = std::move(items.front());
    items.pop_front();
    return true;
}
