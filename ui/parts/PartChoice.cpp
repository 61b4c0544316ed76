#include "ui/parts/PartChoice.h"

#include <QSignalBlocker>

#include "ui/parts/OwnPartsDialog.h"
#include "ui/parts/PartStore.h"
#include "ui/session/StageSession.h"

namespace ui {
namespace {

// Marks the last entry, which is an action rather than a part.
constexpr int kAddRole = Qt::UserRole + 1;

QString Origin(storage::PartOrigin origin) {
    return origin == storage::PartOrigin::BuiltIn ? QObject::tr("built in")
                                                  : QObject::tr("your own");
}

}  // namespace

PartChoice::PartChoice(StageSession* session, QWidget* parent)
    : QComboBox(parent), session_(session) {
    setObjectName(QStringLiteral("RealTransistor"));
    setAccessibleName(QStringLiteral("Real transistor"));
    Fill();
    connect(this, &QComboBox::currentIndexChanged, this, &PartChoice::Picked);
    connect(session_, &StageSession::PartChanged, this, &PartChoice::Fill);
    connect(session_->Parts(), &PartStore::Changed, this, &PartChoice::Fill);
}

std::optional<storage::CatalogueEntry> PartChoice::Chosen() const {
    if (session_->Part().empty()) return std::nullopt;
    return session_->Parts()->Find(session_->Part());
}

void PartChoice::Fill() {
    QSignalBlocker quiet(this);
    clear();
    addItem(tr("None"), QString());
    for (const storage::CatalogueEntry& part : session_->Parts()->Catalogue().Entries()) {
        const QString name = QString::fromStdString(part.name);
        addItem(name, name);
        setItemData(
            count() - 1,
            tr("%1, %2").arg(QString::fromUtf8(sim::PolarityName(part.type)), Origin(part.origin)),
            Qt::ToolTipRole);
    }
    addItem(AddYourOwnText());
    setItemData(count() - 1, true, kAddRole);
    const std::optional<storage::CatalogueEntry> chosen = Chosen();
    setCurrentIndex(chosen ? findData(QString::fromStdString(chosen->name)) : 0);
    quiet.unblock();
    emit ChosenChanged();
}

void PartChoice::Picked(int index) {
    if (itemData(index, kAddRole).toBool()) {
        // The choice stays what it was until a part is added.
        Fill();
        OpenDialog();
        return;
    }
    session_->SetPart(itemData(index).toString().toStdString());
}

void PartChoice::OpenDialog() {
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    auto* dialog = new OwnPartsDialog(session_->Parts(), window());
    dialog_ = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &OwnPartsDialog::PartAdded, session_,
            [this](const QString& name) { session_->SetPart(name.toStdString()); });
    dialog->open();
}

}  // namespace ui
