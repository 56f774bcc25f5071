// The object file: a KolData that stores a graph of persistent objects with a
// header naming the classes it uses (so ids survive a differently ordered
// registry) and writes each object once, later references as its index, so
// shared objects and cycles load back as they were. The header is put in front
// by a second pass when a written file is closed.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KolData.h"
#include "KolObject.h"

class KolFile : public KolData {
 public:
  KolFile() = default;
  explicit KolFile(bool store) : KolData(store) {}
  ~KolFile() override;

  // Loading follows a reference to an object not seen yet into that object's
  // fields, so nesting in the file becomes recursion here: a few stack frames
  // per level (LoadObject, the object's Transfer, TransferObject). Deeper
  // files are refused, and so are deeper stores, so that every file written
  // loads back. 256 levels use a small part of any stack, sanitizer builds
  // included, and the engine's own objects hardly nest at all (a bitmap holds
  // its formats by value).
  static constexpr int kMaxNesting = 256;
  // Objects one file may hold when loaded; a damaged or hostile file cannot
  // grow the tables beyond this. The engine's files hold a handful.
  static constexpr int kMaxObjects = 1 << 16;

  int OpenRead(const char* name) override;
  int OpenWrite(const char* name) override;
  int CloseFile() override;
  int TransferObject(KolObject*& object) override;

  // Registry index of a class name, or -1 with a log line.
  static int GetID(const char* className);

  // Objects made while loading belong to the file until taken here; whatever is
  // not taken is released with the file (or at the next OpenRead).
  std::vector<std::unique_ptr<KolObject>> TakeLoadedObjects();

 protected:
  int LoadClass();
  int StoreObject(KolObject* object);
  int LoadObject(KolObject*& object);

 private:
  std::vector<KolObject*> objects_;  // stored or loaded so far; index = object id
  std::map<int, int> classMap_;      // file class id -> registry index (ids the header listed)
  std::vector<int> classUse_;        // registry index -> objects stored
  std::string fileName_;             // kept while writing, for the second pass
  int nesting_ = 0;                  // objects whose fields are being stored or loaded
  std::vector<std::unique_ptr<KolObject>> loaded_;
};
