#include "viewer/ArrangedModel.h"

#include "viewer/ContainerModel.h"

#include <QElapsedTimer>
#include <algorithm>

namespace tarvex {

namespace {

// The shortest time between two arrangements while facts come; longer when arranging takes
// long.
constexpr int settleMs = 250;

} // namespace

ArrangedModel::ArrangedModel(ContainerModel& source, std::vector<RowFacts> facts,
                             const LanguageTable& texts, QObject* parent)
    : QAbstractProxyModel(parent), arrangement_(std::move(facts)), texts_(&texts) {
    setSourceModel(&source);
    connect(&source, &QAbstractItemModel::dataChanged, this, &ArrangedModel::sourceChanged);
    settle_.setSingleShot(true);
    settle_.setInterval(settleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        QElapsedTimer took;
        took.start();
        relayOut([this] { arrangement_.arrange(arrangement_.arranging()); });
        // The window's thread keeps most of its time for the user, however many rows there are.
        settle_.setInterval(std::max(settleMs, int(4 * took.elapsed())));
    });
}

void ArrangedModel::setTexts(const LanguageTable& texts) {
    texts_ = &texts;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DisplayRole});
}

void ArrangedModel::takeFacts(std::vector<std::pair<int, RowFacts>> facts) {
    for (auto& [row, known] : facts)
        arrangement_.setFacts(row, std::move(known));
    if (!settle_.isActive())
        settle_.start();
}

void ArrangedModel::setArranging(Arranging by) {
    relayOut([this, by] { arrangement_.arrange(by); });
}

void ArrangedModel::setFilter(const QString& text) {
    relayOut([this, &text] { arrangement_.filter(text); });
}

void ArrangedModel::relayOut(const std::function<void()>& change) {
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<int> rows;
    rows.reserve(std::size_t(before.size()));
    for (const QModelIndex& held : before)
        rows.push_back(held.isValid() ? arrangement_.rowAt(held.row()) : -1);
    change();
    QModelIndexList after;
    after.reserve(before.size());
    for (const int row : rows)
        after.push_back(row >= 0 ? indexOfRow(row) : QModelIndex());
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

QModelIndex ArrangedModel::indexOfRow(int row) const {
    const int place = row >= 0 ? arrangement_.placeOf(row) : -1;
    return place >= 0 ? createIndex(place, 0) : QModelIndex();
}

QModelIndex ArrangedModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || column != 0 || row < 0 || row >= rowCount())
        return {};
    return createIndex(row, 0);
}

int ArrangedModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : arrangement_.places();
}

int ArrangedModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QModelIndex ArrangedModel::mapToSource(const QModelIndex& proxyIndex) const {
    if (!proxyIndex.isValid())
        return {};
    const int row = arrangement_.rowAt(proxyIndex.row());
    return row >= 0 ? sourceModel()->index(row, 0) : QModelIndex();
}

QModelIndex ArrangedModel::mapFromSource(const QModelIndex& sourceIndex) const {
    return sourceIndex.isValid() ? indexOfRow(sourceIndex.row()) : QModelIndex();
}

QVariant ArrangedModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const bool heading = arrangement_.rowAt(index.row()) < 0;
    if (role == headingRole)
        return heading;
    if (!heading)
        return QAbstractProxyModel::data(index, role);
    return role == Qt::DisplayRole ? arrangement_.heading(index.row(), *texts_) : QVariant();
}

Qt::ItemFlags ArrangedModel::flags(const QModelIndex& index) const {
    if (index.isValid() && arrangement_.rowAt(index.row()) < 0)
        return Qt::ItemIsEnabled;
    return QAbstractProxyModel::flags(index);
}

void ArrangedModel::sourceChanged(const QModelIndex& first, const QModelIndex& last,
                                  const QList<int>& roles) {
    if (first == last) {
        if (const QModelIndex shown = mapFromSource(first); shown.isValid())
            emit dataChanged(shown, shown, roles);
    } else if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), roles);
    }
}

} // namespace tarvex
