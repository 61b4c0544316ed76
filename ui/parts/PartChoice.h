#pragma once

#include <QComboBox>
#include <QPointer>
#include <optional>
#include <string>

#include "storage/PartCatalogue.h"

namespace ui {

class OwnPartsDialog;
class StageSession;

// The "Real transistor" choice that every window with a simulation offers:
// "None", each part of the session's store by name, and "Add Your Own...",
// which opens the dialog for the user's own parts. It shows the session's
// part and sets it as the user chooses; a part just added becomes the choice.
class PartChoice : public QComboBox {
    Q_OBJECT

public:
    PartChoice(StageSession* session, QWidget* parent = nullptr);

    // The session's part as the store has it; none for "None" and for a name
    // the store no longer has.
    std::optional<storage::CatalogueEntry> Chosen() const;

    static QString AddYourOwnText() { return tr("Add Your Own..."); }

signals:
    // The chosen part, or what the store holds of it, changed.
    void ChosenChanged();

private:
    void Fill();
    void Picked(int index);
    void OpenDialog();

    StageSession* session_;
    // The dialog while it is open: a second Add Your Own... brings it up.
    QPointer<OwnPartsDialog> dialog_;
};

}  // namespace ui
