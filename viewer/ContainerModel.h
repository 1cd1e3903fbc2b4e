#pragma once

#include "viewer/ContainerPicture.h"
#include "viewer/KeyAsking.h"
#include "viewer/PictureLoader.h"
#include "viewer/ThumbnailCache.h"

#include <QAbstractListModel>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

struct LanguageTable;

// Why a container shows no picture, in the words of `texts`; empty for no problem.
QString problemText(PictureProblem problem, std::error_code error, const LanguageTable& texts);

// The containers of a viewing as rows, in the order given: each row's name (the one its
// container records, else the container's own, marked for a plain picture), its thumbnail, and
// why it has none. A thumbnail is read when a view first asks for it, and kept in a cache of
// bounded size; what it weighs goes when it drops out of the cache. The whole picture of one row
// at a time is read on request.
class ContainerModel final : public QAbstractListModel {
public:
    // The text of why a row shows no picture; empty while it may get one.
    static constexpr int problemRole = Qt::UserRole + 1;
    // The longest side of a thumbnail.
    static constexpr int thumbnailSide = 256;

    struct Setup {
        FileSystems fileSystems;
        const ViewerKeys& keys;
        // A row's container needs the key of some parameters.
        std::function<void(int row, const ProtectedParameters&)> needKey;
        // The thumbnails kept at most, in bytes.
        qint64 cacheBytes = 64 << 20;
    };

    ContainerModel(std::vector<std::string> paths, Setup setup, QObject* parent = nullptr);
    ~ContainerModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void setTexts(const LanguageTable& texts);
    // The places in view (see setPlaces), whose thumbnails come first; none while `last` <
    // `first`.
    void setRowsInView(int first, int last);
    // The place of each row in the order that the view shows them, -1 for a row that does not
    // show; each row is its own place until this is called.
    void setPlaces(std::vector<int> places);
    // Takes the names that the containers of some rows record, read before their pictures.
    void takeRecordedNames(const std::vector<std::pair<int, std::string>>& names);
    const std::string& path(int row) const { return entries_.at(std::size_t(row)).path; }
    // The name of `row` as the viewer shows it: the one its container records once read, else
    // its file's; escaped as shownText does.
    QString name(int row) const;
    // The name of `row` as its tile shows it: marked as not protected for a plain picture.
    QString label(int row) const;
    // The name that the container of `row` records, as far as it has been read; else empty.
    const std::string& recordedName(int row) const {
        return entries_.at(std::size_t(row)).recordedName;
    }
    // Whether the thumbnail of `row` is at hand, without asking for it.
    bool hasThumbnail(int row) const {
        return entries_.at(std::size_t(row)).state == State::Thumbnail;
    }
    // The parameters whose key `row` waits for, when it was refused for want of a passphrase or
    // a derivation.
    std::optional<ProtectedParameters> refusedKey(int row) const;
    // How many rows were read as plain pictures, and how many as no container at all (nor a
    // picture); a row not yet read is neither.
    struct Kinds {
        int plain = 0;
        int notContainers = 0;
    };
    Kinds kinds() const;

    // The key of `parameters` is there: its rows are read again.
    void keyReady(const ProtectedParameters& parameters);
    // The key of `parameters` will not come: its rows say why.
    void keyRefused(const ProtectedParameters& parameters, KeyRefusal why);

    // Hears a whole picture, or a null image and why there is none.
    using Shown = std::function<void(const QImage& picture, const QString& problem)>;
    // Reads the whole picture of `row` for `shown`, which hears it on the window's thread, unless
    // another picture is asked for, or the picture dropped, first.
    void askPicture(int row, Shown shown);
    void dropPicture();

private:
    enum class State { Unasked, Asked, Thumbnail, Failed, WaitingForKey };
    struct Entry {
        std::string path;
        std::string recordedName;
        // Whether its file was a plain picture when it was last read.
        bool plain = false;
        State state = State::Unasked;
        PictureProblem problem = PictureProblem::None;
        std::error_code error;
        std::optional<ProtectedParameters> parameters;
        std::optional<KeyRefusal> refusal;
    };

    void loaded(int row, quint64 ticket, ContainerPicture picture);
    void thumbnailLoaded(int row, ContainerPicture picture);
    void pictureLoaded(int row, ContainerPicture picture);
    // Takes what `picture` says of its row's name and problem.
    void note(Entry& entry, const ContainerPicture& picture);
    // Takes whether the file of `row` is a plain picture.
    void notePlain(int row, bool plain);
    QString problemText(const Entry& entry) const;
    void changed(int row);

    Setup setup_;
    const LanguageTable* texts_ = nullptr;
    // Changed by data(), which asks for the thumbnails that views want.
    mutable std::vector<Entry> entries_;
    mutable ThumbnailCache cache_;
    std::unique_ptr<PictureLoader> loader_;
    // The whole picture asked for: its row, its ticket, who hears it, and whether it waits for
    // its key.
    int pictureRow_ = -1;
    quint64 ticket_ = 0;
    Shown shown_;
    bool pictureWaits_ = false;
};

} // namespace tarvex
