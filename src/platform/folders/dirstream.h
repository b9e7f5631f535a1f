// Reading one folder's entries through the C library: one pass, no path object per entry, and
// the entry's type taken from the listing itself (a stat call only for links and file systems
// that do not report types). UI thread only, like the lists that use it.
#pragma once

#include <dirent.h>

#include <string>

namespace tunedeck {

enum class EntryType { Folder, File, Other };

// An open folder; empty (nothing to read) when it could not be opened.
class DirStream {
  public:
    explicit DirStream(const std::string& folder);
    ~DirStream() noexcept;
    DirStream(DirStream&& other) noexcept;
    DirStream& operator=(DirStream&& other) noexcept;
    DirStream(const DirStream&) = delete;
    DirStream& operator=(const DirStream&) = delete;

    // The next entry other than "." and ".."; false at the end (or on a read error).
    bool next(std::string& name, EntryType& type);

  private:
    EntryType entrytype(const dirent& entry) const;

    DIR* dir_ = nullptr;
};

}  // namespace tunedeck
