#include "gui/context/ContextController.h"

#include <QItemSelectionModel>
#include <QLocale>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <string>

#include "core/context/WordContext.h"
#include "core/engine/Errors.h"
#include "core/files/AtomicFile.h"
#include "core/files/Settings.h"
#include "gui/charts/DispersionDrawing.h"
#include "gui/context/ContextModel.h"
#include "gui/context/ContextWindow.h"
#include "gui/context/DispersionPlotView.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

namespace {

const char* const kWidthKey = "ContextWidth";
constexpr int kDefaultWidth = 40;
// A slice reads about this much (a few tens of milliseconds), so keys and paints
// are served between slices.
constexpr std::size_t kSliceBytes = 4 << 20;

}  // namespace

ContextController::ContextController(WindowContext& context) : QObject(&context.window), context_(context) {
    setObjectName(QStringLiteral("ContextController"));
    model_ = new ContextModel(this);
    timer_ = new QTimer(this);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &ContextController::StepSearch);
}

ContextController::~ContextController() {
    // The main window's run may already be gone when its children are destroyed: drop
    // the search without asking it anything.
    timer_->stop();
    search_.reset();
}

bool ContextController::EnsureWindow() {
    if (window_) return false;
    window_ = new ContextWindow(model_, &context_.window);
    const std::int32_t saved = context_.settings.IniNumber(kWidthKey, kDefaultWidth);
    window_->Width->setValue(saved);
    model_->SetWidth(window_->Width->value());
    connect(window_, &ContextWindow::sortChosen, this, &ContextController::Sort);
    connect(window_, &ContextWindow::widthChosen, this, &ContextController::SetWidth);
    connect(window_, &ContextWindow::stopRequested, this, &ContextController::StopSearch);
    connect(window_, &ContextWindow::saveRequested, this, &ContextController::Save);
    connect(window_, &ContextWindow::saveImageRequested, this, &ContextController::SaveImage);
    connect(window_->Plot, &DispersionPlotView::markClicked, this, &ContextController::MarkClicked);
    // The plot marks the current line's occurrence.
    connect(window_->Table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                const int row = current.isValid() ? current.row() : -1;
                window_->Plot->Select(row >= 0 && row < static_cast<int>(model_->Size())
                                          ? &model_->Records()[static_cast<std::size_t>(row)]
                                          : nullptr);
            });
    PlaceToolWindow(window_, &context_.window);
    return true;
}

void ContextController::Show(const std::string& word, const QString& shown, std::int32_t count) {
    Show(ContextQuery::Phrase({word}), shown, count);
}

void ContextController::Show(const ContextQuery& query, const QString& shown, std::int32_t count) {
    if (!context_.run) return;
    const bool created = EnsureWindow();
    StopSearch();
    word_ = shown;
    problems_.clear();
    problemsShown_ = 0;
    model_->Reset(context_.run, query.words.size() > 1);
    window_->SetProblems({});
    window_->ShowSort(ContextSort{});
    search_ = std::make_unique<OccurrenceSearch>(*context_.run, query, static_cast<std::size_t>(std::max(count, 0)));
    UpdateTitle();
    window_->SetProgress(QStringLiteral("Searching..."));
    window_->show();
    if (created) PlaceToolWindow(window_, &context_.window);  // once more with its frame, which it has now
    window_->raise();
    timer_->start();
}

void ContextController::StepSearch() {
    if (!search_) return;
    bool more = true;
    try {
        more = search_->Step(kSliceBytes);
    } catch (const FileError& e) {
        problems_ << UiText(e.what());
        more = false;
    }
    model_->Append(search_->Found());
    UpdatePlot();
    if (model_->Size() > 0 && !window_->Table->currentIndex().isValid())
        window_->Table->setCurrentIndex(model_->index(0, ContextModel::WordColumn));
    const auto& problems = search_->Problems();
    for (; problemsShown_ < problems.size(); ++problemsShown_) {
        const QString text = UiText(problems[problemsShown_]);
        problems_ << text;
        // An unreadable file gets the usual message box too; the lines go on.
        if (text.startsWith(QLatin1String("Cannot open file"))) context_.ui.Error(window_, text);
    }
    window_->SetProblems(problems_);
    UpdateTitle();
    const std::int64_t total = search_->BytesTotal();
    if (more && total > 0) {
        window_->SetProgress(QStringLiteral("Searching... %1%").arg(search_->BytesDone() * 100 / total));
    } else if (!more) {
        StopSearch();
    }
}

void ContextController::StopSearch() {
    timer_->stop();
    if (!search_) return;
    const bool finished = search_->Done();
    // The records are the model's now; the search's copy goes.
    model_->Append(search_->Found());
    search_.reset();
    if (window_) {
        UpdatePlot();
        window_->SetProgress(QString());
        if (!finished) {
            problems_ << QStringLiteral("Stopped: the lines shown are the occurrences found so far.");
            window_->SetProblems(problems_);
        }
        UpdateTitle();
    }
}

void ContextController::UpdateTitle() {
    if (window_) window_->SetTitle(word_, model_->Size(), model_->FileCount());
}

void ContextController::Clear() {
    StopSearch();
    model_->Reset(nullptr);
    word_.clear();
    if (window_) {
        window_->Plot->SetPlot({});
        window_->SetProblems({});
        window_->hide();
    }
}

void ContextController::Sort(const QString& code) {
    ContextSort sort;
    if (!ParseContextSort(code.toStdString(), sort)) return;
    // Lines still coming in arrive in text order: sorting waits for the end.
    if (search_) {
        window_->ShowSort(model_->CurrentSort());
        window_->SetProgress(QStringLiteral("Searching... sorting is possible when the search is over"));
        return;
    }
    model_->Sort(sort);
    window_->ShowSort(sort);
}

void ContextController::SetWidth(int width) {
    model_->SetWidth(width);
    context_.settings.IniPutNumber(kWidthKey, width);
}

void ContextController::UpdatePlot() {
    if (!window_ || !context_.run) return;
    const QByteArray word = word_.toUtf8();
    window_->Plot->SetPlot(MakeDispersionPlot(*context_.run, word.toStdString(), model_->Records()));
    // Up to six strips in sight, more scroll; a small window gives the lines its room
    // first (the plot scrolls).
    const int six = PlotGeometry::kMargin * 2 + PlotGeometry::kTitleHeight +
                    6 * (PlotGeometry::kStripHeight + PlotGeometry::kStripGap);
    window_->PlotArea->setMaximumHeight(std::min(window_->Plot->Geometry().height, six) + 2);
    const QModelIndex current = window_->Table->currentIndex();
    window_->Plot->Select(current.isValid() && current.row() < static_cast<int>(model_->Size())
                              ? &model_->Records()[static_cast<std::size_t>(current.row())]
                              : nullptr);
}

void ContextController::MarkClicked(const Occurrence& occurrence) {
    const int row = model_->RowOf(occurrence);
    if (row < 0) return;
    window_->Table->selectRow(row);
    window_->Table->setCurrentIndex(model_->index(row, ContextModel::WordColumn));
    window_->Table->scrollTo(model_->index(row, ContextModel::WordColumn));
}

void ContextController::SaveImage() {
    if (!window_ || word_.isEmpty()) return;
    const QString path = context_.ui.SaveFile(
        window_, {QString(), QStringLiteral("PNG image (*.png);;SVG image (*.svg)"), QStringLiteral("png")});
    if (path.isEmpty()) return;
    try {
        // Drawn at the window's width, or at 800 pixels when it is narrower.
        SaveDispersionImage(window_->Plot->Plot(), std::max(800, window_->Plot->width()), Path(path));
    } catch (const FileError& e) {
        context_.ui.Error(window_, UiText(e.what()));
    } catch (const std::exception& e) {
        context_.ui.Error(window_, UiText(e.what()));
    }
}

void ContextController::Save() {
    if (!window_ || model_->Size() == 0) return;
    const QString path = context_.ui.SaveFile(
        window_, {QString(), QStringLiteral("Text files (*.txt);;All files (*)"), QStringLiteral("txt")});
    if (path.isEmpty()) return;
    std::string bytes;
    for (int row = 0; row < static_cast<int>(model_->Size()); ++row) {
        bytes += model_->LineText(row);
    }
    try {
        WriteFileAtomically(Path(path), bytes, true);
    } catch (const FileError& e) {
        context_.ui.Error(window_, UiText(e.what()));
    }
}

}  // namespace vornix
