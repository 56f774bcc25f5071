// The demo's effect list: a doubly linked list whose nodes come from a pool
// grown in blocks of ten. New effects go to the front, so iteration (head to
// tail) visits them in the reverse order of insertion: the first effect of the
// demo script is combined last, on top.
#pragma once

#include <memory>
#include <vector>

class VEffect;

class VList {
 public:
  struct Node {
    VEffect* element = nullptr;
    Node* previous = nullptr;
    Node* next = nullptr;
    int free = 0;  // non-zero while the node is in the pool
  };

  static constexpr int kBlockSize = 10;

  VList();
  VList(const VList&) = delete;
  VList& operator=(const VList&) = delete;

  // Links the effect at the front; the list does not own it.
  void AddEffect(VEffect* effect);
  // Links the effect at the front and keeps it alive as long as the list.
  void AddEffect(std::unique_ptr<VEffect> effect);

  // Iteration from the front: for (Node* n = First(); n != End(); n = n->next).
  Node* First() const { return head_.next; }
  const Node* End() const { return &tail_; }

  int TotalNodes() const { return total_; }
  int FreeNodes() const { return freeCount_; }

 private:
  Node* Get();  // a node from the pool, growing it when empty

  int total_ = 0;
  int freeCount_ = 0;
  Node head_;
  Node tail_;
  Node* pool_ = nullptr;  // chained through next
  std::vector<std::unique_ptr<Node[]>> blocks_;
  std::vector<std::unique_ptr<VEffect>> owned_;
};
