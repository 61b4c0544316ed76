#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <map>

#include "sim/ModelCard.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

class InputBox;
class PartStore;

// The user's own transistors: a maker's text, pasted or opened from a file,
// is read for model cards; each card found is listed with its type and what
// of it is taken, left out or refused, and the parts ticked are added to the
// store, with any ratings typed for them. "Remove" takes a part of the
// user's own away.
class OwnPartsDialog : public QDialog {
    Q_OBJECT

public:
    OwnPartsDialog(PartStore* store, QWidget* parent = nullptr);

    // Reads a file into the text box; a file over 1 MiB, or one that cannot
    // be read, is said and leaves the text as it was.
    void OpenFile(const QString& path);
    // Adds the ticked parts; the name of the last one added, or empty when
    // none was.
    QString AddTicked();
    // What the dialog said last: what was added, or why not.
    QString Message() const;

signals:
    void PartAdded(const QString& name);

private:
    void Scan();
    void ListCards();
    void ListOwnParts();
    void FollowCurrent(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void KeepRatingTexts(int card);
    void AskAndOpenFile();
    void RemoveSelected();
    void Say(const QString& message);
    // The ratings of a found card with those typed for it; false and why
    // when a typed one is refused.
    bool RatingsOf(int card, core::PartRatings& ratings, QString& error) const;
    bool MayReplace(const std::string& name);

    PartStore* store_;
    QPlainTextEdit* text_;
    QTreeWidget* found_;
    QLabel* ratingsFor_;
    std::array<InputBox*, 3> ratings_{};
    QLabel* message_;
    QListWidget* own_;
    QPushButton* remove_;
    sim::CardScan scan_;
    // The texts typed into the rating boxes, by card, in the order Vceo, Ic, Pd.
    std::map<int, std::array<QString, 3>> typed_;
};

}  // namespace ui
