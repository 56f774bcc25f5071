#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>

#include "KolClassRegistry.h"
#include "KolFile.h"
#include "KolLog.h"
#include "TestSupport.h"

// While set, a single allocation larger than this fails instead of being made.
static std::size_t gRefuseAbove = 0;
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return gRefuseAbove && size > gRefuseAbove ? nullptr : std::malloc(size ? size : 1);
}
void* operator new(std::size_t size) {
  if (void* p = operator new(size, std::nothrow)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// A persistent node holding an int and a reference, under any class name.
struct Node : KolObject {
  explicit Node(const char* name = "Node") : name_(name) {}
  const char* ClassName() const override { return name_; }
  std::unique_ptr<KolObject> Create() const override { return std::make_unique<Node>(name_); }
  int Transfer(KolData& data) override {
    if (int r = data.Storing() ? data.WriteInt(value) : data.ReadInt(value)) return r;
    return data.TransferObject(link);
  }
  const char* name_;
  int value = 0;
  KolObject* link = nullptr;
};

std::string Ints(std::initializer_list<int> values) {
  std::string out;
  for (int v : values)
    for (int i = 0; i < 4; ++i) out += static_cast<char>(static_cast<unsigned>(v) >> (8 * i));
  return out;
}
std::string Str(const std::string& text) { return text + '\0'; }
Node* AsNode(KolObject* o) { return dynamic_cast<Node*>(o); }

class KolFileTest : public ::testing::Test {
 protected:
  KolFileTest() { ClassRegistry().Register(std::make_unique<Node>()); }
  int Store(const char* name, std::initializer_list<KolObject*> objects) {
    KolFile file;
    int r = file.Open(kKindDirectory, dir.Path().c_str()) || file.OpenWrite(name);
    for (KolObject* o : objects) r = r ? r : file.TransferObject(o);
    return r ? r : file.CloseFile();
  }
  // Loads the references in order; reader keeps the objects it made.
  int Load(const char* name, std::initializer_list<KolObject**> refs) {
    reader = std::make_unique<KolFile>();
    int r = reader->Open(kKindDirectory, dir.Path().c_str()) || reader->OpenRead(name);
    for (KolObject** ref : refs) r = r ? r : reader->TransferObject(*ref);
    return r;
  }
  LogCapture log;
  TempDir dir;
  std::unique_ptr<KolFile> reader;
};

TEST_F(KolFileTest, SharedObjectsAndCyclesLoadBackAsTheSameAndClassesMustBeKnown) {
  ClassRegistry().Register(std::make_unique<Node>("Unused"));  // not in the header
  Node a, b, self, c, d;
  a.value = 7;
  a.link = &b;
  b.value = 9;
  self.link = &self;
  c.link = &d;
  d.link = &c;
  ASSERT_EQ(0, Store("g.kol", {&a, &b, nullptr, &self, &c}));
  EXPECT_EQ(Str("KOL") + Ints({2, 0}) + Str("Node") +
                Ints({-1, 0, 0, 7, 1, 0, 9, -1, 1, -1, 2, 0, 0, 2, 3, 0, 0, 4, 0, 0, 3}),
            dir.Read("g.kol"));

  // The reading program registered its classes in another order.
  ClassRegistry().ResetForTest();
  ClassRegistry().Register(std::make_unique<Node>("Unused"));
  ClassRegistry().Register(std::make_unique<Node>());
  KolObject *first = nullptr, *second = nullptr, *none = &a, *me = nullptr, *cycle = nullptr;
  ASSERT_EQ(0, Load("g.kol", {&first, &second, &none, &me, &cycle}));
  ASSERT_TRUE(AsNode(first) && AsNode(second) && AsNode(me) && AsNode(cycle));
  EXPECT_STREQ("Node", first->ClassName());
  EXPECT_EQ(7, AsNode(first)->value);
  EXPECT_EQ(second, AsNode(first)->link);
  EXPECT_EQ(9, AsNode(second)->value);
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(me, AsNode(me)->link);
  Node* other = AsNode(AsNode(cycle)->link);
  ASSERT_TRUE(other != nullptr && other != cycle);
  EXPECT_EQ(cycle, other->link);

  Node stray("Stray");  // a class nobody registered
  EXPECT_NE(0, Store("stray.kol", {&stray}));
  EXPECT_EQ(
      "KolFile: GetID: Error: class <Stray> not found\n"
      "StoreObject: object's class is not registered\n[-1] Stray\n",
      log.Text());
}

TEST_F(KolFileTest, BrokenFilesFailWithTheirMessageAndHugeIdsAllocateNothing) {
  const std::string badObject = "ERROR: KolFile: Object Loader: invalid object ID\n";
  const std::string failed = "ERROR: KolFile: Object Loader: (1)\n";
  // Class count 3; file class 2 is Node, 0 and 1 are counted but not listed.
  const std::string header = Str("KOL") + Ints({3, 2}) + Str("Node") + Ints({-1});
  const struct {
    std::string bytes, log;
  } cases[] = {
      {Str("KOX") + Ints({1, -1}), "KolFile: LoadClass: invalid magic\n"},
      {Str("KOL") + Ints({1, 0}) + "Node", ""},  // the class name never ends
      {Str("KOL") + Ints({1, 0}) + Str("Ghost") + Ints({-1}),
       "KolFile: GetID: Error: class <Ghost> not found\n"
       "KolFile: LoadClass: can't match class <Ghost>\n"},
      {header + Ints({1}), badObject},                    // past the table
      {header + Ints({0, 1}), "ERROR: KolFile: Object Loader: invalid class ID\n"},  // not listed
      {header + Ints({0, 2, 5, 2}), badObject + failed},  // inner reference
      {header + Ints({0, 2}) + "\x05", failed},          // body cut short
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    GlobalLog().SetBufferOutput(true);
    dir.Write("bad.kol", c.bytes);
    KolObject* loaded = nullptr;
    EXPECT_NE(0, Load("bad.kol", {&loaded}));
    EXPECT_EQ(nullptr, loaded);
    EXPECT_EQ(c.log, log.Text());
  }
  // A header with a huge count and id is a few bytes; nothing may grow to match it.
  const int id = 0x10000000;
  dir.Write("far.kol",
            Str("KOL") + Ints({0x7FFFFFFF, id}) + Str("Node") + Ints({-1, 0, id, 8, -1}));
  KolObject* loaded = nullptr;
  gRefuseAbove = 1 << 20;
  const int result = Load("far.kol", {&loaded});
  gRefuseAbove = 0;
  ASSERT_EQ(0, result);
  EXPECT_EQ(8, AsNode(loaded)->value);
}

}  // namespace
