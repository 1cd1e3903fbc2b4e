#pragma once

#include "viewer/Arrangement.h"

#include <QAbstractProxyModel>
#include <QTimer>
#include <functional>
#include <utility>
#include <vector>

namespace tarvex {

class ContainerModel;
struct LanguageTable;

// The rows of a ContainerModel as an Arrangement lays them out: a heading before each group, a
// row of its own that spans the grid and cannot be chosen, then its containers. The rows are
// arranged anew when the arrangement or the filter changes, and at most four times a second
// while the facts of rows come (less often when arranging takes more than a twentieth of a
// second); a view keeps its current row and selection meanwhile.
class ArrangedModel final : public QAbstractProxyModel {
public:
    // True for a heading.
    static constexpr int headingRole = Qt::UserRole + 2;

    // The rows of `source`, each known by its `facts` until takeFacts.
    ArrangedModel(ContainerModel& source, std::vector<RowFacts> facts, const LanguageTable& texts,
                  QObject* parent = nullptr);

    void setTexts(const LanguageTable& texts);
    void takeFacts(std::vector<std::pair<int, RowFacts>> facts);
    void setArranging(Arranging by);
    void setFilter(const QString& text);
    const Arrangement& arrangement() const { return arrangement_; }
    // The index of the container `row` of the source; invalid when it does not show.
    QModelIndex indexOfRow(int row) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // Applies `change` to the arrangement, keeping the views' rows.
    void relayOut(const std::function<void()>& change);
    void sourceChanged(const QModelIndex& first, const QModelIndex& last, const QList<int>& roles);

    Arrangement arrangement_;
    const LanguageTable* texts_;
    // Arranges the rows once facts came.
    QTimer settle_;
};

} // namespace tarvex
