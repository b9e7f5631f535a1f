// The tags and the cover of the file that plays, read once when it starts, for the phone remote
// and the desktop media controls. The television keeps showing display names.
// UI thread only.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "audio/tags.h"
#include "remote/remotestate.h"

namespace tunedeck {

class NowPlaying {
  public:
    // `artfolder`: where a cover embedded in a music file is written for the media controls,
    // which take pictures by address only.
    explicit NowPlaying(std::filesystem::path artfolder);
    ~NowPlaying() noexcept;
    NowPlaying(const NowPlaying&) = delete;
    NowPlaying& operator=(const NowPlaying&) = delete;

    // Reads the tags and the cover of `musicfile` when it is not the file read last.
    void follow(const std::string& musicfile);

    const FileTags& tags() const { return tags_; }
    // The cover as the television chooses it: the folder's cover file, else the picture
    // embedded in the folder's first music file; null when there is none.
    const std::shared_ptr<const CoverPicture>& cover() const { return cover_; }

  private:
    std::shared_ptr<const CoverPicture> readcover(const std::filesystem::path& folder);
    // A file:// address of an embedded picture, written into the art folder.
    std::string writeart(const CoverPicture& picture);

    std::filesystem::path artfolder_;
    std::filesystem::path artfile_;  // the picture written last, removed with the next one
    std::string file_;
    FileTags tags_;
    std::shared_ptr<const CoverPicture> cover_;
};

// The picture type its first bytes name ("image/jpeg", "image/png", "image/gif",
// "image/webp"); empty for anything else.
std::string picturetype(std::string_view bytes);

// A file:// address for a path, with every byte outside the unreserved set and '/' escaped.
std::string fileurl(const std::filesystem::path& path);

}  // namespace tunedeck
