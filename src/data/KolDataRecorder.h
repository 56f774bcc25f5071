// A data source that passes everything to another one and remembers the name
// of every file asked for, found or not. The live author tool puts it in front
// of the default load source during a set-up, so it knows which files the
// demo depends on (and which missing ones it looked for) and can watch them.
#pragma once

#include <set>
#include <string>

#include "KolDataSource.h"

class KolDataRecorder : public KolDataSource {
 public:
  // inner is not owned and must outlive the recorder's use.
  explicit KolDataRecorder(KolDataSource* inner);

  int Load(const char* name, KolBuffer& buffer) override;
  bool Contains(const char* name) override;
  int Store(const char* name, const char* data, int size) override;
  int OpenRead(const char* name) override;
  int OpenWrite(const char* name) override;
  int CloseFile() override;
  int Read(void* bytes, int size) override;
  int Write(const void* bytes, int size) override;
  int ReadCounted(void* bytes, int size, int& delivered) override;
  bool Holds(const char* name) override;

  // The names as they were asked for, '\' turned into '/'.
  const std::set<std::string>& NamesRead() const { return names_; }

 private:
  void Remember(const char* name);

  KolDataSource* inner_;
  std::set<std::string> names_;
};
