#include "ui/parts/PartStore.h"

#include <utility>

#include "platform/Files.h"

namespace ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

PartStore::PartStore(QObject* parent) : QObject(parent) {}

void PartStore::Load() {
    loaded_ = true;
    path_ = storage::PartsFilePath();
    own_ = path_ ? storage::LoadParts(*path_) : storage::PartsLoad{};
    catalogue_ = storage::PartCatalogue();
    catalogue_.AddOwn(own_.parts);
    note_.clear();
    if (own_.error != 0) {
        note_ = tr("Your own parts in %1 could not be read: %2.")
                    .arg(Q(*path_), Q(platform::ErrnoText(own_.error)));
    } else if (own_.badLines > 0) {
        note_ = own_.badLines == 1
                    ? tr("1 line of %1 could not be read as a part and is left out.").arg(Q(*path_))
                    : tr("%1 lines of %2 could not be read as parts and are left out.")
                          .arg(own_.badLines)
                          .arg(Q(*path_));
    }
}

const storage::PartCatalogue& PartStore::Catalogue() {
    if (!loaded_) Load();
    return catalogue_;
}

const std::vector<storage::OwnPart>& PartStore::OwnParts() {
    if (!loaded_) Load();
    return own_.parts;
}

std::optional<storage::CatalogueEntry> PartStore::Find(const std::string& name) {
    const storage::CatalogueEntry* entry = Catalogue().Find(name);
    if (entry == nullptr) return std::nullopt;
    return *entry;
}

QString PartStore::TakeReadingNote() {
    if (!loaded_) Load();
    return std::exchange(note_, QString());
}

bool PartStore::ChangeOwnParts(const std::function<void(std::vector<storage::OwnPart>&)>& change,
                               QString& error) {
    // Another Tindrel may have written the file since it was read.
    Load();
    if (!path_) {
        error = tr("There is no folder for your own parts: HOME is not set.");
        return false;
    }
    if (own_.error != 0) {
        // Writing now would lose the parts that could not be read.
        error = tr("%1 could not be read (%2), so nothing is written over it.")
                    .arg(Q(*path_), Q(platform::ErrnoText(own_.error)));
        return false;
    }
    std::vector<storage::OwnPart> parts = own_.parts;
    change(parts);
    try {
        storage::SaveParts(*path_, parts);
    } catch (const platform::FileError& failure) {
        error = Q(failure.what());
        return false;
    }
    own_.parts = parts;
    own_.badLines = 0;
    note_.clear();
    catalogue_ = storage::PartCatalogue();
    catalogue_.AddOwn(own_.parts);
    emit Changed();
    return true;
}

}  // namespace ui
