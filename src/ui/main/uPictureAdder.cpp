#include "ui/main/uPictureAdder.h"

#include "core/collection/uMsnHeadManager.h"
#include "ui/app/uEngineServices.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace tw {

namespace {

// One file's outcome: the prepared picture, or nothing when it could not be read.
struct Outcome {
    bool Ready = false;
    std::optional<TPreparedPicture> Picture;
};

} // namespace

TPictureAdder::TPictureAdder(TMsnHeadManager& manager, TEngineServices& engine,
                             std::function<void()> appended)
    : Manager(manager), Engine(engine), Appended(std::move(appended)) {}

void TPictureAdder::Cancel() {
    CancelRequested = true;
}

TPictureAdder::Result TPictureAdder::Run(const std::vector<std::filesystem::path>& files) {
    const std::size_t n = files.size();
    Result result;
    CancelRequested = false;
    if (n == 0)
        return result;

    const std::size_t workerCount =
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, n);
    // Finished pictures wait for their turn; a few per worker keep the workers busy without
    // holding many photos in memory.
    const std::size_t ahead = 2 * workerCount;
    std::vector<Outcome> outcomes(n);
    std::mutex lock;
    std::condition_variable turn;
    std::size_t next = 0;
    std::size_t done = 0;
    std::atomic<bool> stop = false;
    QEventLoop loop;
    QPointer<TPictureAdder> self(this);

    const auto drain = [&] {
        std::unique_lock guard(lock);
        while (done < n && outcomes[done].Ready && !CancelRequested) {
            std::optional<TPreparedPicture> picture = std::move(outcomes[done].Picture);
            ++done;
            guard.unlock();
            turn.notify_all();
            if (picture) {
                Manager.AppendPrepared(std::move(*picture));
                ++result.Added;
                Appended();
            }
            Engine.ShowProgress(0, static_cast<int>(n), "Appending....", static_cast<int>(done));
            if (TfrmProgress* progress = Engine.ProgressWindow())
                progress->SetCancelHandler([this] { Cancel(); });
            guard.lock();
        }
        if (done == n || CancelRequested)
            loop.quit();
    };

    std::vector<std::jthread> workers;
    for (std::size_t w = 0; w < workerCount; ++w) {
        workers.emplace_back([&] {
            for (;;) {
                std::size_t k = 0;
                {
                    std::unique_lock guard(lock);
                    turn.wait(guard, [&] { return stop || next < done + ahead; });
                    if (stop || next >= n)
                        return;
                    k = next++;
                }
                std::optional<TPreparedPicture> picture;
                try {
                    picture = Manager.PreparePictureFile(files[k]);
                } catch (const std::exception&) {
                    // Passed over like any file the manager cannot add.
                }
                {
                    std::lock_guard guard(lock);
                    outcomes[k] = {true, std::move(picture)};
                }
                QMetaObject::invokeMethod(self, drain, Qt::QueuedConnection);
            }
        });
    }
    loop.exec();
    {
        std::lock_guard guard(lock);
        stop = true;
    }
    turn.notify_all();
    workers.clear();
    // Calls the workers queued after the loop ended go with it.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);

    if (CancelRequested && Engine.ProgressWindow() != nullptr)
        Engine.ShowProgress(0, static_cast<int>(n), "Appending....", static_cast<int>(n));
    result.Done = static_cast<int>(done);
    result.Cancelled = CancelRequested;
    return result;
}

} // namespace tw
