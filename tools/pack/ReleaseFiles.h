// The files a release is made of, held in memory: the demo's data members and
// the release folder's files, and the archives they are written to and read
// from (zip for the data and the Windows release, tar.gz for the Linux one).
// Every archive is written in sorted order with fixed dates, so the same
// input always gives the same bytes.
#pragma once

#include <string>
#include <vector>

struct ReleaseFile {
  std::string name;          // relative, '/' separators
  std::vector<char> bytes;
  bool executable = false;   // mode 755 in a tar archive
  std::string linkTarget;    // read from a tar archive: a link, not a file
};

using ReleaseFiles = std::vector<ReleaseFile>;

// Every regular file under root, named relative to it. False with error.
bool ReadFolder(const std::string& root, ReleaseFiles& files, std::string& error);
// Every member of a zip archive. False with error.
bool ReadZip(const std::string& path, ReleaseFiles& files, std::string& error);
// The entries of a gzip'd tar archive: files with their contents, folders
// as names ending in '/', links with their targets. False with error for a
// damaged archive.
bool ReadTarGz(const std::string& path, ReleaseFiles& files, std::string& error);
// The same from the archive's bytes, once unzipped.
bool ParseTar(const std::vector<char>& tar, ReleaseFiles& files, std::string& error);

// Adds or replaces a file by name.
void PutFile(ReleaseFiles& files, ReleaseFile file);
const ReleaseFile* FindFile(const ReleaseFiles& files, const std::string& name);

// Written through a temporary file that replaces path only when complete.
// JPEG, MP3 and PNG members are stored (they do not compress); the rest deflated.
bool WriteZip(const std::string& path, ReleaseFiles files, std::string& error);
// A tar archive also gets an entry for every folder its files lie in.
bool WriteTarGz(const std::string& path, ReleaseFiles files, std::string& error);
bool ReadWholeFile(const std::string& path, std::vector<char>& bytes);
bool WriteWholeFile(const std::string& path, const std::vector<char>& bytes);
