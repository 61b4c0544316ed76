#include "ui/parts/OwnPartsDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/EngineeringFormat.h"
#include "platform/TextNumber.h"
#include "ui/input/InputBox.h"
#include "ui/parts/PartStore.h"

namespace ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Q(std::string_view text) { return QString::fromUtf8(text.data(), text.size()); }
QString Number(double value) { return Q(core::ShownNumber(value)); }

constexpr int kCardRole = Qt::UserRole + 1;
enum RatingBox { kVceo, kIc, kPd };

QString RefusalText(const sim::FoundCard& card) {
    switch (*card.refusal) {
        case sim::Refusal::Subcircuit:
            return QObject::tr("a part modelled as a subcircuit is not supported");
        case sim::Refusal::Expression:
            return QObject::tr("it holds braces or an expression where numbers belong");
        case sim::Refusal::Repeated:
            return QObject::tr("%1 is given twice").arg(Q(card.detail));
        case sim::Refusal::BadName:
            return QObject::tr("its name is not 1 to 32 letters, digits and _ - . +");
        case sim::Refusal::NoType:
            return QObject::tr("it is neither an NPN nor a PNP card");
        case sim::Refusal::Malformed:
            return QObject::tr("it is not a list of key=value pairs (at \"%1\")")
                .arg(Q(card.detail));
    }
    return {};
}

QString LeftOutText(const sim::LeftOut& left) {
    switch (left.why) {
        case sim::LeftOutReason::NotTaken:
            return QObject::tr("%1: left out, not a parameter the simulation takes")
                .arg(Q(left.key));
        case sim::LeftOutReason::NotANumber:
            return QObject::tr("%1: left out, its value is not a number").arg(Q(left.key));
        case sim::LeftOutReason::TooLarge:
            return QObject::tr("%1: left out, its value is beyond the range of numbers")
                .arg(Q(left.key));
        case sim::LeftOutReason::OutOfRange:
            return QObject::tr("%1 = %2: left out, outside %3 to %4")
                .arg(Q(left.key), Number(left.value), Number(left.range->low),
                     Number(left.range->high));
    }
    return {};
}

// The rules of the rating boxes: each optional, above zero and within what
// a card may carry; the collector current typed in milliamperes.
core::InputRule RatingRule(int box) {
    core::InputRule rule;
    rule.lenient = false;
    rule.emptyIsNone = true;
    rule.minIncluded = true;
    rule.maxIncluded = true;
    const sim::ParameterRange& range = box == kVceo ? sim::kVceoRating
                                       : box == kIc ? sim::kIcRating
                                                    : sim::kPdRating;
    const double scale = box == kIc ? 1000 : 1;
    rule.unit = box == kVceo ? core::InputUnit::Volt
                : box == kIc ? core::InputUnit::Milliampere
                             : core::InputUnit::Watt;
    rule.multipliers = box != kIc;
    rule.min = range.low * scale;
    rule.max = range.high * scale;
    return rule;
}

// The index of the card a line of the list belongs to; -1 for none.
int CardOf(const QTreeWidgetItem* item) {
    while (item != nullptr && item->parent() != nullptr) item = item->parent();
    return item == nullptr ? -1 : item->data(0, kCardRole).toInt();
}

std::optional<double>& Slot(core::PartRatings& ratings, int box) {
    return box == kVceo ? ratings.Vceo : box == kIc ? ratings.Ic : ratings.Pd;
}

}  // namespace

OwnPartsDialog::OwnPartsDialog(PartStore* store, QWidget* parent) : QDialog(parent), store_(store) {
    setObjectName(QStringLiteral("OwnPartsDialog"));
    setWindowTitle(tr("Tindrel: Your Own Transistors"));
    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(
        tr("Paste the model text from the transistor's maker, or open their file. Every .model "
           "card of an NPN or PNP part is listed; tick the parts to add."),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("MakerText"));
    text_->setAccessibleName(tr("Maker's model text"));
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(text_, 1);
    auto* open = new QPushButton(tr("&Open File..."), this);
    open->setObjectName(QStringLiteral("OpenFile"));
    auto* openRow = new QHBoxLayout;
    openRow->addWidget(open);
    openRow->addStretch(1);
    layout->addLayout(openRow);

    found_ = new QTreeWidget(this);
    found_->setObjectName(QStringLiteral("FoundParts"));
    found_->setAccessibleName(tr("Parts found"));
    found_->setHeaderHidden(true);
    layout->addWidget(found_, 2);

    auto* ratingsGroup = new QGroupBox(tr("Ratings not on the card (optional)"), this);
    auto* ratingsForm = new QFormLayout(ratingsGroup);
    ratingsFor_ = new QLabel(ratingsGroup);
    ratingsFor_->setWordWrap(true);
    ratingsForm->addRow(ratingsFor_);
    const std::array<QString, 3> labels = {tr("Vceo (V)"), tr("Ic (mA)"), tr("Pd (W)")};
    const std::array<const char*, 3> names = {"RatingVceo", "RatingIc", "RatingPd"};
    for (int box = 0; box < 3; ++box) {
        ratings_[box] = new InputBox(ratingsGroup);
        ratings_[box]->setObjectName(QString::fromLatin1(names[box]));
        ratings_[box]->SetRule(RatingRule(box));
        ratingsForm->addRow(labels[box], ratings_[box]);
    }
    layout->addWidget(ratingsGroup);

    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("Message"));
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    layout->addWidget(message_);

    auto* ownGroup = new QGroupBox(tr("Your own parts"), this);
    auto* ownLayout = new QHBoxLayout(ownGroup);
    own_ = new QListWidget(ownGroup);
    own_->setObjectName(QStringLiteral("OwnParts"));
    own_->setAccessibleName(tr("Your own parts"));
    own_->setMaximumHeight(120);
    ownLayout->addWidget(own_, 1);
    remove_ = new QPushButton(tr("&Remove"), ownGroup);
    remove_->setObjectName(QStringLiteral("Remove"));
    ownLayout->addWidget(remove_, 0, Qt::AlignTop);
    layout->addWidget(ownGroup);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* add = buttons->addButton(tr("&Add Ticked Parts"), QDialogButtonBox::ActionRole);
    add->setObjectName(QStringLiteral("AddParts"));
    layout->addWidget(buttons);

    connect(text_, &QPlainTextEdit::textChanged, this, &OwnPartsDialog::Scan);
    connect(open, &QPushButton::clicked, this, &OwnPartsDialog::AskAndOpenFile);
    connect(found_, &QTreeWidget::currentItemChanged, this, &OwnPartsDialog::FollowCurrent);
    connect(add, &QPushButton::clicked, this, &OwnPartsDialog::AddTicked);
    connect(remove_, &QPushButton::clicked, this, &OwnPartsDialog::RemoveSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(store_, &PartStore::Changed, this, &OwnPartsDialog::ListOwnParts);
    ListOwnParts();
    Scan();
    resize(560, 640);
}

QString OwnPartsDialog::Message() const { return message_->text(); }

void OwnPartsDialog::Say(const QString& message) { message_->setText(message); }

void OwnPartsDialog::Scan() {
    const QByteArray bytes = text_->toPlainText().toUtf8();
    scan_ = sim::ScanModelCards(std::string_view(bytes.constData(), bytes.size()));
    typed_.clear();
    ListCards();
    if (scan_.tooLarge) {
        Say(tr("The text is larger than 1 MiB and is not read."));
    } else if (!bytes.trimmed().isEmpty() && scan_.cards.empty()) {
        Say(tr("No .model card of an NPN or PNP part is in the text."));
    } else {
        Say(QString());
    }
}

void OwnPartsDialog::ListCards() {
    {
        // The items about to go belong to the cards of the text before.
        const QSignalBlocker quiet(found_);
        found_->clear();
    }
    for (std::size_t i = 0; i < scan_.cards.size(); ++i) {
        const sim::FoundCard& card = scan_.cards[i];
        auto* item = new QTreeWidgetItem(found_);
        item->setData(0, kCardRole, static_cast<int>(i));
        const QString name = card.name.empty() ? tr("A card") : Q(card.name);
        if (!card.Taken()) {
            item->setText(0, tr("%1 (line %2): refused, %3; nothing of it is used")
                                 .arg(name)
                                 .arg(card.line)
                                 .arg(RefusalText(card)));
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
            continue;
        }
        item->setText(0, tr("%1 (line %2): %3, %4 parameters taken, %5 left out")
                             .arg(name)
                             .arg(card.line)
                             .arg(Q(sim::PolarityName(card.model.type)))
                             .arg(card.model.parameters.size())
                             .arg(card.leftOut.size()));
        item->setCheckState(0, Qt::Unchecked);
        for (const sim::Parameter& parameter : card.model.parameters) {
            new QTreeWidgetItem(
                item, {tr("%1 = %2: taken").arg(Q(parameter.name), Number(parameter.value))});
        }
        const auto rating = [item](const char* name, const std::optional<double>& value,
                                   const char* unit) {
            if (!value) return;
            new QTreeWidgetItem(item, {tr("%1 = %2 %3: taken as the part's rating")
                                           .arg(QString::fromLatin1(name), Number(*value),
                                                QString::fromLatin1(unit))});
        };
        rating("Vceo", card.ratings.Vceo, "V");
        rating("Ic", card.ratings.Ic, "A");
        rating("Pd", card.ratings.Pd, "W");
        for (const sim::LeftOut& left : card.leftOut) {
            new QTreeWidgetItem(item, {LeftOutText(left)});
        }
    }
    FollowCurrent(nullptr, nullptr);
}

void OwnPartsDialog::FollowCurrent(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (previous != nullptr) KeepRatingTexts(CardOf(previous));
    const int card = CardOf(current);
    const bool taken = card >= 0 && scan_.cards[card].Taken();
    ratingsFor_->setText(taken ? tr("For %1:").arg(Q(scan_.cards[card].name))
                               : tr("Choose a part in the list to type its ratings."));
    const std::array<QString, 3> texts = taken ? typed_[card] : std::array<QString, 3>{};
    for (int box = 0; box < 3; ++box) {
        core::PartRatings ratings = taken ? scan_.cards[card].ratings : core::PartRatings{};
        const std::optional<double>& onCard = Slot(ratings, box);
        ratings_[box]->setEnabled(taken && !onCard);
        ratings_[box]->setText(onCard ? Number(*onCard * (box == kIc ? 1000 : 1)) : texts[box]);
    }
}

void OwnPartsDialog::KeepRatingTexts(int card) {
    if (card < 0 || card >= static_cast<int>(scan_.cards.size()) || !scan_.cards[card].Taken())
        return;
    for (int box = 0; box < 3; ++box) {
        if (ratings_[box]->isEnabled()) typed_[card][box] = ratings_[box]->text();
    }
}

bool OwnPartsDialog::RatingsOf(int card, core::PartRatings& ratings, QString& error) const {
    const sim::FoundCard& found = scan_.cards[card];
    ratings = found.ratings;
    const auto it = typed_.find(card);
    if (it == typed_.end()) return true;
    const std::array<QString, 3> labels = {tr("Vceo"), tr("Ic"), tr("Pd")};
    for (int box = 0; box < 3; ++box) {
        std::optional<double>& slot = Slot(ratings, box);
        const QString text = it->second[box].trimmed();
        if (slot || text.isEmpty()) continue;
        const core::InputRule rule = RatingRule(box);
        const core::InputResult result = core::ReadBox(text.toStdString(), rule);
        if (!result.ok()) {
            QString why = FaultSentence(result, rule);
            if (why.isEmpty()) why = ReadAsSentence(result.reading);
            error = tr("The %1 rating typed for %2 is not taken: %3")
                        .arg(labels[box], Q(found.name), why);
            return false;
        }
        const double value = result.reading.hasFix ? result.reading.meant : result.value();
        slot = box == kIc ? value / 1000 : value;
    }
    return true;
}

bool OwnPartsDialog::MayReplace(const std::string& name) {
    const std::optional<storage::CatalogueEntry> existing = store_->Find(name);
    if (!existing) return true;
    const QString what = existing->origin == storage::PartOrigin::BuiltIn
                             ? tr("%1 is a part built into Tindrel. Add your own %2 in its place?")
                             : tr("You have a part named %1 already. Replace it with this %2?");
    return QMessageBox::question(this, windowTitle(), what.arg(Q(existing->name), Q(name))) ==
           QMessageBox::Yes;
}

QString OwnPartsDialog::AddTicked() {
    KeepRatingTexts(CardOf(found_->currentItem()));
    std::vector<storage::OwnPart> added;
    for (int i = 0; i < found_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = found_->topLevelItem(i);
        const int card = item->data(0, kCardRole).toInt();
        if (!scan_.cards[card].Taken() || item->checkState(0) != Qt::Checked) continue;
        storage::OwnPart part{scan_.cards[card].name, scan_.cards[card].model, {}};
        QString error;
        if (!RatingsOf(card, part.ratings, error)) {
            Say(error);
            return {};
        }
        added.push_back(std::move(part));
    }
    if (added.empty()) {
        Say(tr("Tick the parts to add first."));
        return {};
    }
    // A text may hold a name twice: the later card is the one kept.
    std::vector<storage::OwnPart> unique;
    for (auto part = added.rbegin(); part != added.rend(); ++part) {
        const auto same = [&](const storage::OwnPart& other) {
            return QString::fromStdString(other.name)
                       .compare(QString::fromStdString(part->name), Qt::CaseInsensitive) == 0;
        };
        if (std::none_of(unique.begin(), unique.end(), same)) unique.insert(unique.begin(), *part);
    }
    std::erase_if(unique, [this](const storage::OwnPart& part) { return !MayReplace(part.name); });
    if (unique.empty()) {
        Say(tr("Nothing was added."));
        return {};
    }
    QString error;
    const bool saved = store_->ChangeOwnParts(
        [&unique](std::vector<storage::OwnPart>& parts) {
            for (const storage::OwnPart& part : unique) {
                std::erase_if(parts, [&](const storage::OwnPart& old) {
                    return QString::fromStdString(old.name).compare(
                               QString::fromStdString(part.name), Qt::CaseInsensitive) == 0;
                });
                parts.push_back(part);
            }
        },
        error);
    if (!saved) {
        Say(tr("Nothing was added: %1").arg(error));
        return {};
    }
    QStringList names;
    for (const storage::OwnPart& part : unique) names << Q(part.name);
    Say(tr("Added %1.").arg(names.join(QStringLiteral(", "))));
    for (int i = 0; i < found_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = found_->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked) item->setCheckState(0, Qt::Unchecked);
    }
    emit PartAdded(names.constLast());
    return names.constLast();
}

void OwnPartsDialog::ListOwnParts() {
    own_->clear();
    for (const storage::OwnPart& part : store_->OwnParts()) {
        auto* item = new QListWidgetItem(
            tr("%1 (%2)").arg(Q(part.name), Q(sim::PolarityName(part.model.type))), own_);
        item->setData(Qt::UserRole, Q(part.name));
    }
    remove_->setEnabled(own_->count() > 0);
}

void OwnPartsDialog::RemoveSelected() {
    const QListWidgetItem* item = own_->currentItem();
    if (item == nullptr) {
        Say(tr("Choose one of your own parts to remove first."));
        return;
    }
    const std::string name = item->data(Qt::UserRole).toString().toStdString();
    QString error;
    const bool saved = store_->ChangeOwnParts(
        [&name](std::vector<storage::OwnPart>& parts) {
            std::erase_if(parts, [&](const storage::OwnPart& part) { return part.name == name; });
        },
        error);
    Say(saved ? tr("Removed %1.").arg(Q(name)) : tr("Nothing was removed: %1").arg(error));
}

void OwnPartsDialog::OpenFile(const QString& path) {
    QFile file(path);
    const QFileInfo info(path);
    const QString shown = info.fileName();
    // A pipe or a device would hold the dialog waiting, or read forever.
    if (info.exists() && !info.isFile()) {
        Say(tr("%1 is not a file and was not read.").arg(shown));
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        Say(tr("%1 could not be read: %2.").arg(shown, file.errorString()));
        return;
    }
    // Read one byte past the limit, to tell a file that is too large without
    // reading all of it.
    const QByteArray bytes = file.read(static_cast<qint64>(sim::kMaxCardText) + 1);
    if (bytes.size() > static_cast<qsizetype>(sim::kMaxCardText)) {
        Say(tr("%1 is larger than 1 MiB and was not read.").arg(shown));
        return;
    }
    if (file.error() != QFileDevice::NoError) {
        Say(tr("%1 could not be read: %2.").arg(shown, file.errorString()));
        return;
    }
    text_->setPlainText(QString::fromUtf8(bytes));
}

void OwnPartsDialog::AskAndOpenFile() {
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Open Model File"), QString(),
                                     tr("Model files (*.lib *.mod *.txt *.cir);;All files (*)"));
    if (!path.isEmpty()) OpenFile(path);
}

}  // namespace ui
