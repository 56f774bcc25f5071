#include "KolFile.h"

#include "KolClassRegistry.h"
#include "KolLog.h"

namespace {
const char kMagic[] = "KOL";
}  // namespace

KolFile::~KolFile() {
  // Close here, while the KolFile part still exists to handle the second pass.
  if (State() != kIdle) CloseFile();
}

int KolFile::GetID(const char* className) {
  const KolClassRegistry& registry = TheClassRegistry();
  for (int i = 0; i < registry.Count(); ++i)
    if (std::string(registry.At(i).ClassName()) == (className ? className : "")) return i;
  TheLog().Print("KolFile: GetID: Error: class <%s> not found\n", className ? className : "");
  return -1;
}

std::vector<std::unique_ptr<KolObject>> KolFile::TakeLoadedObjects() {
  return std::move(loaded_);
}

int KolFile::OpenRead(const char* name) {
  const int result = KolData::OpenRead(name);
  if (result != 0) return result;
  return LoadClass();
}

int KolFile::LoadClass() {
  std::string magic;
  if (ReadString(magic) != 0 || magic != kMagic) {
    TheLog().Print("KolFile: LoadClass: invalid magic\n");
    return 1;
  }
  int count = 0;
  if (ReadInt(count) != 0) return 1;
  objects_.clear();
  loaded_.clear();
  classMap_.clear();
  // The map holds only the ids the header lists, so neither a huge count nor a
  // huge id in a damaged file allocates anything large.
  if (count < 0) count = 0;
  for (;;) {
    int id = 0;
    if (ReadInt(id) != 0) return 1;
    if (id < 0) break;
    if (id >= count) {
      TheLog().Print("KolFile: LoadClass: invalid id %d/%d\n", id, count);
      return 1;
    }
    std::string className;
    if (ReadString(className) != 0 || className.empty()) return 1;
    const int index = GetID(className.c_str());
    if (index < 0) {
      TheLog().Print("KolFile: LoadClass: can't match class <%s>\n", className.c_str());
      return 1;
    }
    // A writer lists each class it used once, and a reader must know them all,
    // so a longer list is damage; refusing it keeps the map as small as the registry.
    if (classMap_.count(id) == 0 &&
        classMap_.size() >= static_cast<size_t>(TheClassRegistry().Count())) {
      TheLog().Print("KolFile: LoadClass: more classes than the %d registered\n",
                        TheClassRegistry().Count());
      return 1;
    }
    classMap_[id] = index;
  }
  return 0;
}

int KolFile::OpenWrite(const char* name) {
  // Forgotten first: a write whose open fails must not close with the header
  // pass of some earlier file.
  fileName_.clear();
  const int result = KolData::OpenWrite(name);
  if (result != 0) return result;
  fileName_ = name ? name : "";
  objects_.clear();
  classUse_.assign(TheClassRegistry().Count(), 0);
  return 0;
}

int KolFile::TransferObject(KolObject*& object) {
  if (State() == kIdle) return 1;
  return Storing() ? StoreObject(object) : LoadObject(object);
}

int KolFile::StoreObject(KolObject* object) {
  if (State() != kWriting || !Storing()) return 1;
  if (!object) return WriteInt(-1);
  for (size_t i = 0; i < objects_.size(); ++i)
    if (objects_[i] == object) return WriteInt(static_cast<int>(i));
  if (nesting_ == kMaxNesting) {
    TheLog().Print("StoreObject: objects nested deeper than %d\n", kMaxNesting);
    return 1;
  }
  const int id = static_cast<int>(objects_.size());
  objects_.push_back(object);
  const int classId = GetID(object->ClassName());
  if (classId < 0) {
    TheLog().Print("StoreObject: object's class is not registered\n");
    TheLog().Print("[%d] %s\n", classId, object->ClassName());
    return 1;
  }
  if (int r = WriteInt(id)) return r;
  if (int r = WriteInt(classId)) return r;
  // The registry may have grown since OpenWrite.
  if (static_cast<size_t>(classId) >= classUse_.size()) classUse_.resize(classId + 1, 0);
  ++classUse_[classId];
  ++nesting_;
  const int result = object->Transfer(*this);
  --nesting_;
  return result;
}

int KolFile::LoadObject(KolObject*& object) {
  if (State() != kReading || Storing()) return 1;
  int id = 0;
  if (ReadInt(id) != 0) return 1;
  if (id == -1) {
    object = nullptr;
    return 0;
  }
  const int tableSize = static_cast<int>(objects_.size());
  if (id < -1 || id > tableSize) {
    TheLog().Print("ERROR: KolFile: Object Loader: invalid object ID\n");
    return 1;
  }
  if (id < tableSize) {
    object = objects_[id];
    return 0;
  }
  if (tableSize == kMaxObjects) {
    TheLog().Print("ERROR: KolFile: Object Loader: more than %d objects\n", kMaxObjects);
    return 1;
  }
  if (nesting_ == kMaxNesting) {
    TheLog().Print("ERROR: KolFile: Object Loader: objects nested deeper than %d\n",
                      kMaxNesting);
    return 1;
  }
  int classId = 0;
  if (ReadInt(classId) != 0) return 1;
  const auto mapped = classMap_.find(classId);
  if (mapped == classMap_.end()) {
    TheLog().Print("ERROR: KolFile: Object Loader: invalid class ID\n");
    return 1;
  }
  std::unique_ptr<KolObject> made = TheClassRegistry().At(mapped->second).Create();
  if (!made) return 1;
  KolObject* raw = made.get();
  // In the table before its fields are read, so references back to it resolve.
  objects_.push_back(raw);
  loaded_.push_back(std::move(made));
  ++nesting_;
  const int result = raw->Transfer(*this);
  --nesting_;
  if (result != 0) {
    TheLog().Print("ERROR: KolFile: Object Loader: (%d)\n", result);
    return result;
  }
  object = raw;
  return 0;
}

int KolFile::CloseFile() {
  if (State() == kIdle) return 1;
  // Reading, or a write whose open failed: there is no header to put in front.
  if (!Storing() || fileName_.empty()) return KolData::CloseFile();

  // Second pass: the used classes are known only now, so the header goes in
  // front of the data already written. The name is taken out first, so that
  // however this ends, no later close rewrites this file.
  const std::string name = std::move(fileName_);
  fileName_.clear();
  if (int r = KolData::CloseFile()) return r;
  KolBuffer data;
  const int size = Load(name.c_str(), data);
  if (size < 0) return 1;
  if (int r = KolData::OpenWrite(name.c_str())) {
    KolData::CloseFile();  // idle again: the failed open left the state at writing
    return r;
  }
  int result = WriteString(kMagic);
  const KolClassRegistry& registry = TheClassRegistry();
  if (result == 0) result = WriteInt(registry.Count());
  for (int i = 0; result == 0 && i < registry.Count(); ++i) {
    if (i < static_cast<int>(classUse_.size()) && classUse_[i] != 0) {
      result = WriteInt(i);
      if (result == 0) result = WriteString(registry.At(i).ClassName());
    }
  }
  if (result == 0) result = WriteInt(-1);
  if (result == 0 && size > 0) result = Write(data.get(), size);
  const int closed = KolData::CloseFile();
  if (result == 0) result = closed;
  return result;
}
