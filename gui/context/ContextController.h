#pragma once
// Word in context: opens the window for a table word and finds its occurrences in
// slices on a zero-interval timer, so the window fills as they come and stays
// responsive; Break or Escape stops the search with what was found.
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class QTimer;

namespace vornix {

class ContextModel;
class ContextWindow;
class OccurrenceSearch;
struct ContextQuery;
struct Occurrence;
class WindowContext;

class ContextController : public QObject {
    Q_OBJECT
public:
    explicit ContextController(WindowContext& context);
    ~ContextController() override;

    // Shows every occurrence of the stored word (count: its frequency in the table).
    // One window serves every word: a new word replaces the lines.
    void Show(const std::string& word, const QString& shown, std::int32_t count);
    // The same for a phrase, or a word near another (count: the lines expected, or 0).
    void Show(const ContextQuery& query, const QString& shown, std::int32_t count);
    // A run starts or the results go: the run's inputs may change, so the search and
    // the lines go with them and the window closes.
    void Clear();
    bool Searching() const { return search_ != nullptr; }
    ContextWindow* Window() const { return window_; }

private:
    // Creates and places the window the first time; true then.
    bool EnsureWindow();
    void StepSearch();
    void StopSearch();
    void UpdateTitle();
    void Sort(const QString& code);
    void SetWidth(int width);
    void Save();
    // The dispersion plot from the lines found so far; the current line's mark chosen.
    void UpdatePlot();
    // A click on a plot mark makes its line the current one.
    void MarkClicked(const Occurrence& occurrence);
    // Save image...: PNG or SVG by the name, replaced atomically.
    void SaveImage();

    WindowContext& context_;
    ContextModel* model_ = nullptr;
    ContextWindow* window_ = nullptr;
    QTimer* timer_ = nullptr;
    std::unique_ptr<OccurrenceSearch> search_;
    QString word_;
    std::size_t problemsShown_ = 0;
    QStringList problems_;
};

}  // namespace vornix
