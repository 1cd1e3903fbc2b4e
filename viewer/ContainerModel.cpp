#include "viewer/ContainerModel.h"

#include "batch/Viewing.h"
#include "desktop/QtText.h"
#include "texts/Catalogue.h"
#include "texts/Wording.h"

namespace tarvex {

ContainerModel::ContainerModel(std::vector<std::string> paths, Setup setup, QObject* parent)
    : QAbstractListModel(parent), setup_(std::move(setup)), cache_(setup_.cacheBytes) {
    entries_.reserve(paths.size());
    for (std::string& path : paths) {
        entries_.emplace_back().path = std::move(path);
    }
    loader_ =
        std::make_unique<PictureLoader>(setup_.fileSystems, setup_.keys, this,
                                        [this](int row, quint64 ticket, ContainerPicture picture) {
                                            loaded(row, ticket, std::move(picture));
                                        });
}

ContainerModel::~ContainerModel() {
    loader_.reset();
}

int ContainerModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

QVariant ContainerModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    Entry& entry = entries_[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return label(index.row());
    case Qt::DecorationRole:
        if (entry.state == State::Thumbnail) {
            if (const QPixmap* thumbnail = cache_.find(index.row()))
                return *thumbnail;
            entry.state = State::Unasked;
        }
        if (entry.state == State::Unasked) {
            entry.state = State::Asked;
            loader_->thumbnail(index.row(), entry.path, thumbnailSide);
        }
        return {};
    case problemRole:
        return problemText(entry);
    default:
        return {};
    }
}

QString ContainerModel::name(int row) const {
    const Entry& entry = entries_.at(std::size_t(row));
    return shownText(entry.recordedName.empty() ? namePart(entry.path) : entry.recordedName);
}

QString ContainerModel::label(int row) const {
    if (!entries_.at(std::size_t(row)).plain)
        return name(row);
    return qtText(filledIn(texts_->viewerPlainName, {name(row).toStdString()}));
}

void ContainerModel::setTexts(const LanguageTable& texts) {
    texts_ = &texts;
    if (!entries_.empty())
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DisplayRole, problemRole});
}

void ContainerModel::setRowsInView(int first, int last) {
    loader_->setRowsInView(first, last);
}

void ContainerModel::setPlaces(std::vector<int> places) {
    loader_->setPlaces(std::move(places));
}

void ContainerModel::takeRecordedNames(const std::vector<std::pair<int, std::string>>& names) {
    int first = rowCount();
    int last = -1;
    for (const auto& [row, name] : names) {
        std::string& held = entries_.at(std::size_t(row)).recordedName;
        if (name.empty() || held == name)
            continue;
        held = name;
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (first <= last)
        emit dataChanged(index(first), index(last), {Qt::DisplayRole});
}

std::optional<ProtectedParameters> ContainerModel::refusedKey(int row) const {
    const Entry& entry = entries_.at(std::size_t(row));
    const bool askable = entry.refusal && (*entry.refusal == KeyRefusal::NoPassphrase ||
                                           *entry.refusal == KeyRefusal::NotDerived);
    return askable ? entry.parameters : std::nullopt;
}

ContainerModel::Kinds ContainerModel::kinds() const {
    Kinds kinds;
    for (const Entry& entry : entries_) {
        kinds.plain += entry.plain ? 1 : 0;
        kinds.notContainers += entry.problem == PictureProblem::NotContainer ? 1 : 0;
    }
    return kinds;
}

void ContainerModel::changed(int row) {
    emit dataChanged(index(row), index(row));
}

void ContainerModel::loaded(int row, quint64 ticket, ContainerPicture picture) {
    if (picture.problem != PictureProblem::Stopped)
        notePlain(row, picture.plain);
    if (ticket == 0)
        thumbnailLoaded(row, std::move(picture));
    else if (ticket == ticket_)
        pictureLoaded(row, std::move(picture));
}

void ContainerModel::note(Entry& entry, const ContainerPicture& picture) {
    if (!picture.recordedName.empty())
        entry.recordedName = picture.recordedName;
    entry.problem = picture.problem;
    entry.error = picture.error;
    if (picture.problem == PictureProblem::NeedsKey) {
        entry.state = State::WaitingForKey;
        entry.parameters = picture.parameters;
    } else if (picture.problem != PictureProblem::None) {
        entry.state = State::Failed;
    }
}

void ContainerModel::notePlain(int row, bool plain) {
    Entry& entry = entries_[std::size_t(row)];
    if (entry.plain == plain)
        return;
    entry.plain = plain;
    changed(row);
}

void ContainerModel::thumbnailLoaded(int row, ContainerPicture picture) {
    Entry& entry = entries_[std::size_t(row)];
    if (entry.state != State::Asked)
        return;
    if (picture.problem == PictureProblem::Stopped) {
        // Given up out of view: asked again once in view.
        entry.state = State::Unasked;
        changed(row);
        return;
    }
    note(entry, picture);
    if (picture.problem == PictureProblem::None) {
        entry.state = State::Thumbnail;
        for (const int gone : cache_.put(row, QPixmap::fromImage(std::move(picture.image))))
            entries_[std::size_t(gone)].state = State::Unasked;
    }
    changed(row);
    if (entry.state == State::WaitingForKey)
        setup_.needKey(row, picture.parameters);
}

void ContainerModel::pictureLoaded(int row, ContainerPicture picture) {
    Entry& entry = entries_[std::size_t(row)];
    if (picture.problem == PictureProblem::Stopped)
        return;
    if (picture.problem == PictureProblem::None) {
        if (!picture.recordedName.empty() && entry.recordedName.empty()) {
            entry.recordedName = picture.recordedName;
            changed(row);
        }
        shown_(picture.image, {});
        return;
    }
    // A row whose thumbnail shows keeps it: only the whole picture failed.
    Entry noted = entry;
    note(noted, picture);
    if (entry.state != State::Thumbnail) {
        entry = noted;
        changed(row);
    }
    pictureWaits_ = picture.problem == PictureProblem::NeedsKey;
    if (pictureWaits_)
        setup_.needKey(row, picture.parameters);
    else
        shown_(QImage(), problemText(noted));
}

void ContainerModel::keyReady(const ProtectedParameters& parameters) {
    for (std::size_t row = 0; row < entries_.size(); ++row) {
        Entry& entry = entries_[row];
        if (entry.parameters != parameters ||
            (entry.state != State::WaitingForKey && !entry.refusal))
            continue;
        entry.state = State::Unasked;
        entry.problem = PictureProblem::None;
        entry.refusal.reset();
        changed(int(row));
    }
    if (pictureWaits_ && entries_[std::size_t(pictureRow_)].parameters == parameters) {
        pictureWaits_ = false;
        loader_->picture(pictureRow_, path(pictureRow_), ticket_);
    }
}

void ContainerModel::keyRefused(const ProtectedParameters& parameters, KeyRefusal why) {
    for (std::size_t row = 0; row < entries_.size(); ++row) {
        Entry& entry = entries_[row];
        if (entry.parameters != parameters || entry.state != State::WaitingForKey)
            continue;
        entry.state = State::Failed;
        entry.refusal = why;
        changed(int(row));
    }
    if (pictureWaits_ && entries_[std::size_t(pictureRow_)].parameters == parameters) {
        pictureWaits_ = false;
        shown_(QImage(), problemText(entries_[std::size_t(pictureRow_)]));
    }
}

void ContainerModel::askPicture(int row, Shown shown) {
    pictureRow_ = row;
    pictureWaits_ = false;
    shown_ = std::move(shown);
    loader_->picture(row, path(row), ++ticket_);
}

void ContainerModel::dropPicture() {
    pictureRow_ = -1;
    pictureWaits_ = false;
    shown_ = nullptr;
    // A picture read meanwhile comes with an old ticket, and is dropped.
    ++ticket_;
}

QString ContainerModel::problemText(const Entry& entry) const {
    if (entry.refusal) {
        switch (*entry.refusal) {
        case KeyRefusal::NoPassphrase:
            return qtText(texts_->viewerNoPassphrase);
        case KeyRefusal::NotDerived:
            return qtText(texts_->viewerKeyNotDerived);
        case KeyRefusal::WrongPassphrase:
            return qtText(texts_->viewerWrongPassphrase);
        case KeyRefusal::NoMemory:
            return qtText(texts_->msgNoMemoryForKey);
        }
    }
    return tarvex::problemText(entry.problem, entry.error, *texts_);
}

QString problemText(PictureProblem problem, std::error_code error, const LanguageTable& texts) {
    switch (problem) {
    case PictureProblem::NotContainer:
        return qtText(texts.viewerNotContainer);
    case PictureProblem::Damaged:
        return qtText(texts.viewerDamaged);
    case PictureProblem::NotOpened:
        return qtText(texts.viewerNotOpened);
    case PictureProblem::NotImage:
        return qtText(texts.viewerNotImage);
    case PictureProblem::TooLarge:
        return qtText(texts.viewerTooLarge);
    case PictureProblem::Unreadable:
        return qtText(filledIn(texts.viewerUnreadable, {wordedReason(error, texts)}));
    case PictureProblem::Changed:
        return qtText(texts.viewerChanged);
    default:
        return {};
    }
}

} // namespace tarvex
