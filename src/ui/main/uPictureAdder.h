#pragma once

#include <QObject>
#include <filesystem>
#include <functional>
#include <vector>

namespace tw {

class TEngineServices;
class TMsnHeadManager;

// Adds picture files unattended, in their order, with the "Appending...." progress. The files
// are read and decoded on worker threads, one per core, while the collection changes only on
// this thread, so the window stays responsive; the progress window's Cancel stops the adds
// that have not been made yet.
class TPictureAdder : public QObject {
    Q_OBJECT
public:
    struct Result {
        int Added = 0;
        int Done = 0;
        bool Cancelled = false;
    };

    // `appended` runs after each entry added at the end of the collection.
    TPictureAdder(TMsnHeadManager& manager, TEngineServices& engine,
                  std::function<void()> appended);

    // Returns when every file was tried or the user cancelled. A file that cannot be read or
    // decoded is passed over.
    Result Run(const std::vector<std::filesystem::path>& files);
    // Stops at the next file; what was added stays.
    void Cancel();

private:
    TMsnHeadManager& Manager;
    TEngineServices& Engine;
    std::function<void()> Appended;
    bool CancelRequested = false;
};

} // namespace tw
