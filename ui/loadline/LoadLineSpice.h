#pragma once

#include <QObject>
#include <QPalette>
#include <QPointF>
#include <optional>
#include <string>

#include "core/Calculation.h"
#include "sim/Protocol.h"
#include "sim/Report.h"
#include "storage/PartCatalogue.h"

class QPainter;
class QRectF;

namespace ui {

class SpiceClient;

// The load line window's real transistor: which part is chosen, the last
// Calculate, and what the simulator made of them. It asks for a run at every
// change and shows only the answer to the newest request; the same request
// again is not asked twice.
class LoadLineSpice : public QObject {
    Q_OBJECT

public:
    explicit LoadLineSpice(QObject* parent = nullptr);

    // Where the helper is and how long it may take to answer (for tests).
    void UseHelper(const QString& path, int answerMilliseconds);

    // The chosen part; none for none.
    void SetPart(const std::optional<storage::CatalogueEntry>& part);
    void SetCalculation(const core::Calculation& calculation);
    // Ends the helper, as the window closes, and starts none until Resume,
    // which asks for the newest part and Calculate.
    void Stop();
    void Resume();

    bool Chosen() const { return part_.has_value(); }
    // The chosen part's name, empty for none.
    std::string part() const { return part_ ? part_->name : std::string(); }
    // The simulated point, while there is one to show.
    std::optional<sim::Point> Point() const;
    // The sentence under the picture, empty with no part chosen.
    std::string Sentence() const;
    // What the picture's description gains, empty with no part chosen.
    std::string Description() const;

signals:
    void Changed();

private:
    void Run();
    // Shows `status`, the answer to `request` when there is one, and asks
    // nothing more.
    void Show(const sim::Status& status, std::optional<sim::Request> request = std::nullopt);
    void Answered(const sim::Request& request, const sim::Status& status);
    // The part as the sentence names it, PNP and supply included.
    std::string Label() const;

    SpiceClient* client_;
    std::optional<storage::CatalogueEntry> part_;
    std::optional<core::Calculation> calculation_;
    // The request awaited, and the one whose answer is shown.
    std::optional<sim::Request> asked_;
    std::optional<sim::Request> shown_;
    sim::Status status_;
    bool stopped_ = false;
};

// The simulated point's marker: a hollow diamond, of a shape of its own
// beside the calculated point's dot, with the part's name. `at` lies inside
// `area`; the label stays inside `bounds`.
void DrawSpiceMarker(QPainter& painter, const QPointF& at, const QString& part,
                     const QPalette& palette, const QRectF& bounds);

}  // namespace ui
