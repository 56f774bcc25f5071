#include "KolDataSource.h"

#include <utility>

namespace {
KolDataSource* gDefaultLoad = nullptr;
KolDataSource* gDefaultStore = nullptr;
std::vector<KolCaseMatch> gCaseMatches;
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

bool KolDataSource::Holds(const char*) { return false; }

const std::vector<KolCaseMatch>& CaseMatches() { return gCaseMatches; }
void ForgetCaseMatches() { gCaseMatches.clear(); }
void NoteCaseMatch(std::string asked, std::string found) {
  gCaseMatches.push_back({std::move(asked), std::move(found)});
}

KolDataSource* DefaultLoadSource() { return gDefaultLoad; }
KolDataSource* DefaultStoreSource() { return gDefaultStore; }
void SetDefaultLoadSource(KolDataSource* source) { gDefaultLoad = source; }
void SetDefaultStoreSource(KolDataSource* source) { gDefaultStore = source; }
