#include "engine/ListJournal.h"

#include "engine/ListFile.h"
#include "engine/RestoreFolder.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

#include <iterator>
#include <utility>

namespace engine {

namespace {
// The journals this process wrote and closed that no save has removed yet.
// Only the thread that runs the window or the batch run touches them.
struct ClosedJournal {
    std::wstring base, path;
    platform::FileStamp stamp;
};

std::vector<ClosedJournal>& ClosedJournals() {
    static std::vector<ClosedJournal> journals;
    return journals;
}

// The folders the list holds; false when the yield stopped it.
bool Held(const ListItems& list, platform::FolderSet& held, const YieldFn& yield) {
    const size_t count = list.Count();
    for (size_t i = 0; i < count; ++i) {
        held.insert(list.Item(i));
        if (!platform::KeepGoing(yield))
            return false;
    }
    return true;
}
} // namespace

std::wstring JournalPath(const std::wstring& listFile) {
    return listFile + L".journal";
}

bool ListJournal::Append(const std::vector<std::wstring>& folders, const YieldFn& yield) {
    return AppendEach(
        folders.size(), [&folders](size_t i) { return std::wstring_view(folders[i]); }, yield);
}

bool ListJournal::Append(const SortedFolderList& folders, size_t first, size_t count,
                         const YieldFn& yield) {
    return AppendEach(
        count, [&folders, first](size_t i) { return folders.View(first + i); }, yield);
}

bool ListJournal::AppendEach(size_t count, const std::function<std::wstring_view(size_t)>& folder,
                             const YieldFn& yield) {
    if (!file_) {
        file_ = platform::CreateUnusedFile(base_, FILE_SHARE_READ, path_);
        if (!file_)
            return false;
    }
    // Always UTF-16: a batch is never re-encoded when one name leaves the
    // code page, and a kill mid-write costs at most the last line.
    std::vector<std::uint8_t> bytes;
    std::uint64_t size = 0;
    if (platform::FileSize(file_, size) && size == 0)
        bytes.assign(std::begin(platform::kUtf16Bom), std::end(platform::kUtf16Bom));
    // Written a piece at a time: a batch of thousands is not held whole.
    for (size_t i = 0; i < count; ++i) {
        platform::AppendUtf16(std::wstring(folder(i)) + L"\r\n", bytes);
        if (bytes.size() >= kListPieceBytes) {
            if (!platform::AppendBytes(file_, bytes))
                return false;
            bytes.clear();
        }
    }
    // On the disk before any of its folders is written, or a power cut could
    // leave written folders without a record.
    return (bytes.empty() || platform::AppendBytes(file_, bytes)) &&
           platform::FlushFile(file_, yield);
}

void ListJournal::Close() {
    if (!file_)
        return;
    file_.reset();
    // Stamped as closed: a save removes it only as this run left it.
    platform::FileStamp stamp;
    if (platform::ReadStamp(path_, stamp))
        ClosedJournals().push_back({base_, path_, stamp});
}

void RemoveClosedJournals(const std::wstring& listFile, const std::wstring& placeholderBase,
                          bool keep) {
    const std::wstring base = JournalPath(listFile);
    auto& closed = ClosedJournals();
    for (auto it = closed.begin(); it != closed.end();) {
        if (platform::CompareNoCase(it->base, base) != 0) {
            ++it;
            continue;
        }
        // A kept one may hold a folder the list lacks: the next start merges it.
        if (!keep)
            platform::RemoveName(it->path, placeholderBase, &it->stamp);
        it = closed.erase(it);
    }
}

size_t MergeJournal(ListItems& list, const std::wstring& journalPath, const YieldFn& yield,
                    bool* read, std::vector<std::wstring>* added) {
    if (read)
        *read = false;
    std::vector<std::wstring> lines;
    if (!ReadListLines(journalPath, lines))
        return 0;
    platform::FolderSet held;
    std::vector<std::wstring> found;
    // A journal stopped part way is not read: it stays for the next merge.
    const auto stopped = [] {
        SetLastError(ERROR_CANCELLED);
        return size_t{0};
    };
    if (!Held(list, held, yield))
        return stopped();
    engine::ClaimChecker claims;
    for (auto& folder : lines) {
        if (!platform::KeepGoing(yield))
            return stopped();
        // A killed run journals a whole batch before writing it: a folder it
        // never reached is proven not ours. One that cannot be looked at (its
        // drive away, its file held) is kept until it can.
        if (held.contains(folder) || claims.Of(folder) == Claim::NotOurs)
            continue;
        held.insert(folder);
        found.push_back(std::move(folder));
    }
    list.AddAll(found);
    if (added)
        added->insert(added->end(), found.begin(), found.end());
    if (read)
        *read = true;
    return found.size();
}

} // namespace engine
