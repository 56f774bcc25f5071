#include "KolDataSource.h"

namespace {
KolDataSource* gDefaultLoad = nullptr;
KolDataSource* gDefaultStore = nullptr;
}  // namespace

int KolDataSource::Open(int kind, const char* root) {
  Close();
  kind_ = kind;
  root_ = root ? root : "";
  return 0;
}

int KolDataSource::Close() {
  if (kind_ & kKindMask) kind_ = 0;
  return 0;
}

KolDataSource* DefaultLoadSource() { return gDefaultLoad; }
KolDataSource* DefaultStoreSource() { return gDefaultStore; }
void SetDefaultLoadSource(KolDataSource* source) { gDefaultLoad = source; }
void SetDefaultStoreSource(KolDataSource* source) { gDefaultStore = source; }
