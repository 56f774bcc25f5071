#include "KolDataRecorder.h"

KolDataRecorder::KolDataRecorder(KolDataSource* inner) : inner_(inner) {
  if (inner_) {
    kind_ = inner_->Kind();
    root_ = inner_->Root();
  }
}

void KolDataRecorder::Remember(const char* name) {
  if (!name) return;
  std::string normal = name;
  for (char& c : normal)
    if (c == '\\') c = '/';
  names_.insert(normal);
}

int KolDataRecorder::Load(const char* name, KolBuffer& buffer) {
  Remember(name);
  return inner_ ? inner_->Load(name, buffer) : -1;
}

bool KolDataRecorder::Contains(const char* name) {
  Remember(name);  // one that appears later is watched too
  return inner_ && inner_->Contains(name);
}

int KolDataRecorder::OpenRead(const char* name) {
  Remember(name);
  return inner_ ? inner_->OpenRead(name) : 1;
}

int KolDataRecorder::Store(const char* name, const char* data, int size) {
  return inner_ ? inner_->Store(name, data, size) : -1;
}
int KolDataRecorder::OpenWrite(const char* name) { return inner_ ? inner_->OpenWrite(name) : 1; }
int KolDataRecorder::CloseFile() { return inner_ ? inner_->CloseFile() : 1; }
int KolDataRecorder::Read(void* bytes, int size) { return inner_ ? inner_->Read(bytes, size) : 1; }
int KolDataRecorder::Write(const void* bytes, int size) {
  return inner_ ? inner_->Write(bytes, size) : 1;
}
int KolDataRecorder::ReadCounted(void* bytes, int size, int& delivered) {
  delivered = 0;
  return inner_ ? inner_->ReadCounted(bytes, size, delivered) : 1;
}

bool KolDataRecorder::Holds(const char* name) { return inner_ && inner_->Holds(name); }
