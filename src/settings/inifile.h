// cInifile: one object addresses one value of an INI file: the file (Path), the section
// (Section), the key (Key) and the text given back when the value is missing (Default).
// Every read and write goes to the file anew through the private-profile functions; the object
// holds no file handle, so several objects, or other programs, may use the same file.
// UI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "settings/formgeometry.h"

namespace tunedeck {

class cInifile {
  public:
    // Result of the last write or delete: non-zero on success; 0 until one is made.
    int32_t LastReturnCode() const { return lastreturncode_; }
    bool Success() const { return lastreturncode_ != 0; }

    void Default(std::string sDefault) { default_ = std::move(sDefault); }
    const std::string& Default() const { return default_; }
    void Path(std::string sPath) { path_ = std::move(sPath); }
    const std::string& Path() const { return path_; }
    void Key(std::string sKey) { key_ = std::move(sKey); }
    const std::string& Key() const { return key_; }
    void Section(std::string sSection) { section_ = std::move(sSection); }
    const std::string& Section() const { return section_; }

    // The value of Key in Section, at most 254 bytes; Default when the file, the section or the
    // key is missing; "" for a key present with an empty value. Leaves LastReturnCode alone.
    std::string Value() const;
    // Writes the value (NUL characters removed first).
    void Value(std::string sValue);

    void DeleteKey();
    void DeleteSection();

    // The key names of Section, each followed by a NUL.
    std::string INISection() const;
    // Replaces Section's keys with the "key=value" pieces of `sSection` (separated by NULs or
    // line ends); an empty text leaves the section deleted.
    void INISection(const std::string& sSection);
    // The section names of the file, each followed by a NUL.
    std::string Sections() const;

    // Fill the array (index 0 is the first name) and set the count to its size.
    void EnumerateCurrentSection(std::vector<std::string>& sKey, int32_t& iCount) const;
    void EnumerateAllSections(std::vector<std::string>& sSections, int32_t& iCount) const;

    // The window's place under the keys Maximised, Left, Top, Width and Height of Section.
    void SaveFormPosition(const FormGeometry& frmThis);
    void LoadFormPosition(FormGeometry& frmThis, int32_t lMinWidth = 0, int32_t lMinHeight = 0);

    // `sstring` as a 32-bit whole number, or `lDefault` when it is not one.
    static int32_t CLngDefault(const std::string& sstring, int32_t lDefault);

  private:
    std::string readlist(const char* section) const;
    void writeformkey(const char* key, const std::string& value);

    std::string path_;
    std::string key_;
    std::string section_;
    std::string default_;
    int32_t lastreturncode_ = 0;
};

}  // namespace tunedeck
