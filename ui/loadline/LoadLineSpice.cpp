#include "ui/loadline/LoadLineSpice.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "sim/Checks.h"
#include "ui/parts/PartText.h"
#include "ui/spice/SpiceClient.h"

namespace ui {
namespace {

constexpr double kMarkerRadius = 6;
constexpr int kPad = 6;

// The calculation's Ic, which holds milliamperes once line 1 is shown.
double CalculatedIc(const core::Calculation& calculation) {
    return calculation.outcome.point.Ic / 1000;
}

}  // namespace

LoadLineSpice::LoadLineSpice(QObject* parent) : QObject(parent), client_(new SpiceClient()) {
    client_->setParent(this);
    connect(client_, &SpiceClient::Simulated, this, &LoadLineSpice::Answered);
}

void LoadLineSpice::UseHelper(const QString& path, int answerMilliseconds) {
    // Nothing the old helper still says is heard.
    client_->disconnect(this);
    client_->deleteLater();
    client_ = new SpiceClient(path, this, answerMilliseconds);
    connect(client_, &SpiceClient::Simulated, this, &LoadLineSpice::Answered);
    asked_.reset();
    shown_.reset();
    Run();
}

void LoadLineSpice::SetPart(const std::optional<storage::CatalogueEntry>& part) {
    const auto same = [](const storage::CatalogueEntry& a, const storage::CatalogueEntry& b) {
        return a.name == b.name && a.type == b.type && a.model == b.model;
    };
    if (part.has_value() == part_.has_value() && (!part || same(*part, *part_))) return;
    part_ = part;
    Run();
}

void LoadLineSpice::SetCalculation(const core::Calculation& calculation) {
    calculation_ = calculation;
    Run();
}

void LoadLineSpice::Stop() {
    client_->Stop();
    asked_.reset();
    stopped_ = true;
}

void LoadLineSpice::Resume() {
    if (!stopped_) return;
    stopped_ = false;
    Run();
}

void LoadLineSpice::Run() {
    if (!Chosen() || !calculation_) {
        Show(sim::Status::Because("press Calculate in the main window"));
        return;
    }
    if (const std::optional<std::string> reason = sim::CheckStage(calculation_->stage)) {
        Show(sim::Status::Because(sim::Refused(*reason)));
        return;
    }
    const sim::Request request =
        storage::WithPart(sim::MakeRequest(calculation_->stage, part_->name), *part_);
    // The same request again: its point stays shown, or its answer is
    // awaited, and the marker does not blink.
    if (request == asked_ || (request == shown_ && status_.point)) return;
    Show(sim::Status::Because(std::string(sim::kSimulating)));
    // A closed window starts no helper: Resume asks as it is shown again.
    if (stopped_) return;
    // Set before asking: a helper that cannot start answers at once.
    asked_ = request;
    client_->Simulate(request);
}

void LoadLineSpice::Show(const sim::Status& status, std::optional<sim::Request> request) {
    asked_.reset();
    shown_ = std::move(request);
    status_ = status;
    emit Changed();
}

void LoadLineSpice::Answered(const sim::Request& request, const sim::Status& status) {
    // An answer to an earlier request, overtaken by a later change.
    if (!asked_ || request != *asked_) return;
    Show(status, request);
}

std::optional<sim::Point> LoadLineSpice::Point() const {
    return Chosen() ? status_.point : std::nullopt;
}

std::string LoadLineSpice::Label() const {
    return SpicePartLabel(*part_, calculation_ ? calculation_->stage.Vcc : 0);
}

std::string LoadLineSpice::Sentence() const {
    if (!Chosen()) return {};
    return sim::Sentence(Label(), status_, calculation_ ? CalculatedIc(*calculation_) : 0);
}

std::string LoadLineSpice::Description() const {
    if (!Chosen()) return {};
    return sim::Description(part_->name, status_);
}

void DrawSpiceMarker(QPainter& painter, const QPointF& at, const QString& part,
                     const QPalette& palette, const QRectF& bounds) {
    const QColor ink = palette.color(QPalette::Link);
    QPainterPath diamond;
    diamond.moveTo(at + QPointF(0, -kMarkerRadius));
    diamond.lineTo(at + QPointF(kMarkerRadius, 0));
    diamond.lineTo(at + QPointF(0, kMarkerRadius));
    diamond.lineTo(at + QPointF(-kMarkerRadius, 0));
    diamond.closeSubpath();
    painter.setPen(QPen(ink, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(diamond);

    // Below and to the left, away from the calculated point's label, which
    // sits above and to the right.
    const QFontMetrics metrics = painter.fontMetrics();
    QRectF box(0, 0, metrics.horizontalAdvance(part) + kPad, metrics.height());
    box.moveTopRight(at + QPointF(-kMarkerRadius, kMarkerRadius));
    box.moveLeft(std::max(bounds.left(), std::min(box.left(), bounds.right() - box.width())));
    box.moveTop(std::max(bounds.top(), std::min(box.top(), bounds.bottom() - box.height())));
    QColor backing = palette.color(QPalette::Base);
    backing.setAlpha(220);
    painter.fillRect(box, backing);
    painter.drawText(box, Qt::AlignCenter, part);
}

}  // namespace ui
