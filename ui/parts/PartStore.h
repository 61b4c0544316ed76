#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "storage/PartCatalogue.h"
#include "storage/PartsFile.h"

namespace ui {

// The real transistors every window offers: the built-in ones and the user's
// own, read from the parts file when first asked for and written back whole
// when the user adds or removes one of their own.
class PartStore : public QObject {
    Q_OBJECT

public:
    explicit PartStore(QObject* parent = nullptr);

    const storage::PartCatalogue& Catalogue();
    const std::vector<storage::OwnPart>& OwnParts();
    // The part of that name; nullopt when there is none (removed, or never
    // there).
    std::optional<storage::CatalogueEntry> Find(const std::string& name);

    // What went wrong reading the parts file, in a sentence, the first time
    // it is asked for after a reading; empty otherwise, so that it is told
    // once.
    QString TakeReadingNote();

    // Reads the file afresh, lets `change` edit the user's own parts and
    // writes them back; false with the reason when the file cannot be read
    // or written, in which case it is left as it was.
    bool ChangeOwnParts(const std::function<void(std::vector<storage::OwnPart>&)>& change,
                        QString& error);

signals:
    // The parts changed: added, replaced or removed.
    void Changed();

private:
    void Load();

    bool loaded_ = false;
    std::optional<std::string> path_;
    storage::PartsLoad own_;
    storage::PartCatalogue catalogue_;
    QString note_;
};

}  // namespace ui
