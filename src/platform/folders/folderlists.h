// The hidden folder list `Dirs` and file list `Files` of the main screen, over std::filesystem.
// Setting the path of Dirs raises its change notification, Dirs_Change, which moves Files to the
// same folder, so the file list always lists the current folder.
//
// Paths are kept in normal form: absolute, no trailing '/' except for "/" itself. Subfolders and
// files are ordered as people read them (collation.h; ties by raw bytes); hidden entries (a
// leading dot) are left out; symbolic links are followed. A folder that does not exist or cannot be
// read is not an error: its lists are empty. UI thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunedeck {

// Brings a path to the lists' normal form (relative paths are taken from the working folder).
std::string normalfolderpath(std::string_view path);

// The folder list: the current path and its subfolders as full paths.
class DirListBox {
  public:
    const std::string& path() const { return path_; }
    int listcount() const { return static_cast<int>(subfolders_.size()); }
    // Full path of subfolder i (0-based); "" outside the list.
    const std::string& list(int i) const;

  private:
    friend class FolderLists;
    void load(std::string path, const std::vector<std::string>& names);

    std::string path_;
    std::vector<std::string> subfolders_;
};

// The file list: ordinary files of one folder matching the fixed pattern.
class FileListBox {
  public:
    static constexpr std::string_view kPattern =
        "*.mp3;*.wma;*.wav;*.flac;*.ogg;*.oga;*.opus;*.m4a;*.aac;*.m3u;*.m3u8;*.pls";

    const std::string& path() const { return path_; }
    void setpath(std::string_view path);
    int listcount() const { return static_cast<int>(files_.size()); }
    // Bare name of file i (0-based), with its extension; "" outside the list.
    const std::string& list(int i) const;

  private:
    friend class FolderLists;
    // Takes a listing of `path` (normal form) made by the folder list.
    void assign(std::string path, std::vector<std::string> files);

    std::string path_;
    std::vector<std::string> files_;
};

// True when a bare file name matches the file list's pattern (without regard to case).
bool matchesfilepattern(std::string_view name);

// The two coupled lists. Each setpath lists the folder once.
class FolderLists {
  public:
    const DirListBox& Dirs() const { return dirs_; }
    const FileListBox& Files() const { return files_; }
    // Sets the current folder: Dirs lists it, then Dirs_Change moves Files along.
    void setpath(std::string_view path);

  private:
    void Dirs_Change();

    DirListBox dirs_;
    FileListBox files_;
    std::vector<std::string> listedfiles_;  // files of the folder just listed, for Dirs_Change
};

}  // namespace tunedeck
