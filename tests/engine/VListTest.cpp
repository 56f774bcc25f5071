#include "VList.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "KolLog.h"
#include "TestSupport.h"
#include "VEffectEnd.h"

namespace {

std::vector<const VEffect*> Forward(const VList& list) {
  std::vector<const VEffect*> out;
  for (VList::Node* n = list.First(); n != list.End(); n = n->next) out.push_back(n->element);
  return out;
}

std::vector<const VEffect*> Backward(const VList& list) {
  std::vector<const VEffect*> out;
  const VList::Node* head = list.First()->previous;
  for (const VList::Node* n = list.End()->previous; n != head; n = n->previous)
    out.push_back(n->element);
  return out;
}

TEST(VListTest, EmptyListHasNoNodesAndHeadMeetsTail) {
  LogCapture capture;
  VList list;
  EXPECT_EQ(list.End(), list.First());
  EXPECT_EQ(0, list.TotalNodes());
  EXPECT_EQ(0, list.FreeNodes());
  EXPECT_TRUE(Backward(list).empty());
}

TEST(VListTest, EffectsGoToTheFrontAndLinksRunBothWays) {
  LogCapture capture;
  VEffectEnd a, b, c;
  VList list;
  list.AddEffect(&a);
  list.AddEffect(&b);
  list.AddEffect(&c);
  EXPECT_EQ(std::vector<const VEffect*>({&c, &b, &a}), Forward(list));
  EXPECT_EQ(std::vector<const VEffect*>({&a, &b, &c}), Backward(list));
  for (VList::Node* n = list.First(); n != list.End(); n = n->next) {
    EXPECT_EQ(0, n->free);
    EXPECT_EQ(n, n->next->previous);
  }
  EXPECT_EQ(list.First(), list.First()->previous->next);
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

TEST(VListTest, PoolGrowsByBlocksOfTen) {
  LogCapture capture;
  VList list;
  std::vector<VEffectEnd> effects(25);
  struct Step {
    int added, total, free;
  };
  int added = 0;
  for (Step s : {Step{1, 10, 9}, Step{10, 10, 0}, Step{11, 20, 9}, Step{20, 20, 0},
                 Step{21, 30, 9}, Step{25, 30, 5}}) {
    while (added < s.added) list.AddEffect(&effects[added++]);
    SCOPED_TRACE(testing::Message() << added << " added");
    EXPECT_EQ(s.total, list.TotalNodes());
    EXPECT_EQ(s.free, list.FreeNodes());
  }
  // Nodes from every block are linked in the right order.
  const std::vector<const VEffect*> order = Forward(list);
  ASSERT_EQ(25u, order.size());
  for (int i = 0; i < 25; ++i) EXPECT_EQ(&effects[24 - i], order[i]) << i;
  EXPECT_EQ(25u, Backward(list).size());
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

}  // namespace
