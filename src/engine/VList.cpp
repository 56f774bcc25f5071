#include "VList.h"

#include <new>

#include "KolLog.h"
#include "VEffect.h"

VList::VList() {
  head_.next = &tail_;
  tail_.previous = &head_;
}

VList::Node* VList::Get() {
  if (freeCount_ == 0) {
    std::unique_ptr<Node[]> block(new (std::nothrow) Node[kBlockSize]);
    if (!block) {
      TheLog().PrintError("Memory allocating error.");
      return nullptr;
    }
    for (int i = 0; i < kBlockSize; ++i) {
      block[i].free = 1;
      block[i].next = i + 1 < kBlockSize ? &block[i + 1] : pool_;
    }
    pool_ = &block[0];
    blocks_.push_back(std::move(block));
    total_ += kBlockSize;
    freeCount_ = kBlockSize;
  }
  Node* node = pool_;
  if (!node || !node->free) {
    TheLog().Report(2, kModuleList, "VList", 1, "Invalid Get");
    return nullptr;
  }
  pool_ = node->next;
  node->free = 0;
  --freeCount_;
  return node;
}

void VList::AddEffect(VEffect* effect) {
  Node* node = Get();
  if (!node) return;
  node->element = effect;
  node->previous = &head_;
  node->next = head_.next;
  head_.next->previous = node;
  head_.next = node;
}

void VList::AddEffect(std::unique_ptr<VEffect> effect) {
  AddEffect(effect.get());
  owned_.push_back(std::move(effect));
}
