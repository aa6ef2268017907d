#pragma once
// Keywords: the window's controller. The reference's documents are counted on a
// thread of their own (they may be large), with progress and Break in the window; the
// keyword list is then made from the run's store on the window's thread, where the
// store is read. The counted reference is kept while its files and the rules stay the
// same, so other choices and display options only remake the list.
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/display/ResultFilter.h"
#include "core/keywords/ReferenceRead.h"

class QTimer;

namespace vornix {

class KeywordsWindow;
class WindowContext;

class KeywordsController : public QObject {
    Q_OBJECT
public:
    explicit KeywordsController(WindowContext& context);
    // Stops the reference count and waits for it.
    ~KeywordsController() override;

    // A run starts: the list goes, a reference count stops, and the rules of the new
    // run are taken for the reference's documents.
    void Clear();
    // The word table was filled anew: a shown window follows the run and the display
    // options.
    void ResultsRefilled();
    KeywordsWindow* Window() const { return window_; }
    bool Counting() const { return job_ != nullptr; }

private:
    struct Job;
    // A file's size and modification time: a changed file is counted again.
    struct Stamp {
        std::int64_t size = -1, mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    void Keywords1Click();
    bool EnsureWindow();
    void Choose(bool tables);
    void ClearReference();
    void ChoiceChanged();
    void ShowReference();
    // Makes the list: from the kept reference, or after counting it.
    void Compute();
    void ShowKeywords();
    void Poll();
    void Stop(bool wait);
    void RowActivated(std::size_t row);
    ReferenceSource Source() const;
    std::vector<Stamp> Stamps(const ReferenceSource& source) const;
    KeywordOptions Options() const;

    WindowContext& context_;
    KeywordsWindow* window_ = nullptr;
    QTimer* poll_ = nullptr;
    std::vector<std::string> documents_, tables_;
    // The rules of the run the list is made for, taken when it started.
    CharacterSet charset_ = CharacterSet::Windows;
    std::string commonList_;
    EncodingChoice encoding_ = EncodingChoice::Auto;
    bool strip_ = false;
    bool rulesKnown_ = false;
    std::unique_ptr<Job> job_;
    bool showWhenCounted_ = false;
    struct Kept {
        ReferenceSource source;
        std::vector<Stamp> stamps;
        ReferenceResult result;
    };
    std::optional<Kept> kept_;
    // What the shown list was made with, so that an unrelated refill changes nothing.
    std::uint64_t runNumber_ = 0;
    // A word added to the common words list changes the run's count of them.
    struct Shown {
        std::uint64_t run = 0;
        DisplayOptions display;
        std::int32_t commonWords = 0;
    };
    std::optional<Shown> shownFor_;
};

}  // namespace vornix
