#pragma once

#include "sensor/DiagnosisReport.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class TVeldrisForm;

namespace veldris {
class CanOpenClient;
}

// The Diagnose page's report of a diagnosis that runs on a worker thread. The diagnosis's
// thread turns each report into an item for the page, queues it and signals; the page shows
// the queued items on the window's thread, in the order they came, when the queued signal
// arrives. The items pass through a mutex of ours, not as signal arguments, so that every
// hand-over between the two threads is one that ThreadSanitizer can follow.
//
// Each line and result waits 100 ms on the diagnosis's thread first, as it always has: the
// lines appear one after another and the frames keep their timing on the bus. A message box
// holds the diagnosis until it is closed, as it did while the diagnosis ran on the window's
// thread.
class DiagnosisRelay : public QObject, public veldris::DiagnosisReport {
    Q_OBJECT
public:
    // `client` is the bus whose stop signal ends the waits.
    DiagnosisRelay(TVeldrisForm& page, veldris::CanOpenClient& client);

    // The diagnosis's thread. The relay must outlive it; the window's thread must keep
    // processing events until the diagnosis has ended.
    void line(const std::string& text, bool withTime) override;
    void result(const veldris::DiagnosisResult& result) override;
    void show(veldris::DiagnosisField field, const std::string& text) override;
    void message(veldris::Message slot) override;
    bool wait(std::chrono::milliseconds duration) override;

signals:
    void queued(); // emitted on the diagnosis's thread

private:
    using Item = std::function<void(TVeldrisForm&)>;

    void post(Item item);
    void postAndWait(Item item);
    void showQueued(); // the window's thread
    bool takeNext(Item& item);

    TVeldrisForm& form;
    veldris::CanOpenClient& bus;
    std::mutex mutex;
    std::condition_variable itemShown;
    std::deque<Item> items; // guarded by mutex
};
