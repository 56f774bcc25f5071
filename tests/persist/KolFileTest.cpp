#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>
#include <vector>

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
#if __cpp_exceptions
  throw std::bad_alloc();
#else
  std::abort();  // wasm32 has no exceptions
#endif
}
// Out of line, so the compiler does not take free() inside a delete for a mismatch.
[[gnu::noinline]] static void Release(void* p) noexcept { std::free(p); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }

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

// A file of Node objects only, under file class 0.
std::string NodeHeader() { return Str("KOL") + Ints({1, 0}) + Str("Node") + Ints({-1}); }

// n nodes, each the link of the one before, so loading them nests n deep.
std::string Chain(int n) {
  std::string out = NodeHeader();
  out.reserve(out.size() + 12 * static_cast<size_t>(n) + 4);
  for (int i = 0; i < n; ++i) out += Ints({i, 0, i});
  return out + Ints({-1});
}

// Fails the read-back of the header pass on request.
struct LoadFailingFile : KolFile {
  int Load(const char* name, KolBuffer& buffer) override {
    return failLoad ? -1 : KolFile::Load(name, buffer);
  }
  bool failLoad = false;
};

class KolFileTest : public ::testing::Test {
 protected:
  KolFileTest() { TheClassRegistry().Register(std::make_unique<Node>()); }
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
  TheClassRegistry().Register(std::make_unique<Node>("Unused"));  // not in the header
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
  TheClassRegistry().ResetForTest();
  TheClassRegistry().Register(std::make_unique<Node>("Unused"));
  TheClassRegistry().Register(std::make_unique<Node>());
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
    TheLog().SetBufferOutput(true);
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

TEST_F(KolFileTest, AFailedCloseForgetsItsFileSoALaterFailedOpenRewritesNothing) {
  LoadFailingFile file;
  ASSERT_EQ(0, file.Open(kKindDirectory, dir.Path().c_str()));
  Node a;
  a.value = 5;
  KolObject* o = &a;
  ASSERT_EQ(0, file.OpenWrite("first.kol"));
  ASSERT_EQ(0, file.TransferObject(o));
  file.failLoad = true;
  EXPECT_NE(0, file.CloseFile());
  file.failLoad = false;
  const std::string body = Ints({0, 0, 5, -1});  // the header never came
  EXPECT_EQ(body, dir.Read("first.kol"));
  // The next write cannot open its file; closing it must leave the first alone.
  EXPECT_NE(0, file.OpenWrite("missing/second.kol"));
  file.CloseFile();
  EXPECT_EQ(body, dir.Read("first.kol"));
  ASSERT_EQ(0, file.OpenWrite("third.kol"));
  ASSERT_EQ(0, file.TransferObject(o));
  ASSERT_EQ(0, file.CloseFile());
  EXPECT_EQ(NodeHeader() + body, dir.Read("third.kol"));
  EXPECT_EQ("", log.Text());
}

TEST_F(KolFileTest, NestingDeeperThanTheBoundFailsWithItsMessageInsteadOfExhaustingTheStack) {
  dir.Write("deep.kol", Chain(KolFile::kMaxNesting));
  KolObject* loaded = nullptr;
  ASSERT_EQ(0, Load("deep.kol", {&loaded}));
  int length = 0;
  for (Node* n = AsNode(loaded); n; n = AsNode(n->link)) EXPECT_EQ(length++, n->value);
  EXPECT_EQ(KolFile::kMaxNesting, length);
  EXPECT_EQ("", log.Text());

  // Every enclosing object reports the failure as for any other inner failure.
  std::string expected = "ERROR: KolFile: Object Loader: objects nested deeper than " +
                         std::to_string(KolFile::kMaxNesting) + "\n";
  for (int i = 0; i < KolFile::kMaxNesting; ++i) expected += "ERROR: KolFile: Object Loader: (1)\n";
  for (int n : {KolFile::kMaxNesting + 1, 1 << 20}) {
    SCOPED_TRACE(n);
    TheLog().SetBufferOutput(true);
    dir.Write("deeper.kol", Chain(n));
    loaded = nullptr;
    EXPECT_NE(0, Load("deeper.kol", {&loaded}));
    EXPECT_EQ(nullptr, loaded);
    EXPECT_EQ(expected, log.Text());
  }

  // Storing is bounded alike, so whatever is written loads back.
  std::vector<Node> chain(KolFile::kMaxNesting + 1);
  for (size_t i = 0; i + 1 < chain.size(); ++i) chain[i].link = &chain[i + 1];
  TheLog().SetBufferOutput(true);
  EXPECT_EQ(0, Store("deep.kol", {&chain[1]}));
  EXPECT_NE(0, Store("deeper.kol", {&chain[0]}));
  EXPECT_EQ("StoreObject: objects nested deeper than " + std::to_string(KolFile::kMaxNesting) +
                "\n",
            log.Text());
}

TEST_F(KolFileTest, HeadersAndObjectTablesLargerThanAnyWrittenFileAreRefused) {
  // A writer lists each class it used once, so never more than a reader registers.
  dir.Write("classes.kol", Str("KOL") + Ints({3, 0}) + Str("Node") + Ints({2}) + Str("Node") +
                               Ints({-1, 0, 0, 1, -1}));
  KolObject* loaded = nullptr;
  EXPECT_NE(0, Load("classes.kol", {&loaded}));
  EXPECT_EQ("KolFile: LoadClass: more classes than the 1 registered\n", log.Text());

  std::string many = NodeHeader();
  for (int i = 0; i <= KolFile::kMaxObjects; ++i) many += Ints({i, 0, i, -1});
  dir.Write("many.kol", many);
  TheLog().SetBufferOutput(true);
  reader = std::make_unique<KolFile>();
  ASSERT_EQ(0, reader->Open(kKindDirectory, dir.Path().c_str()));
  ASSERT_EQ(0, reader->OpenRead("many.kol"));
  for (int i = 0; i < KolFile::kMaxObjects; ++i) {
    loaded = nullptr;
    ASSERT_EQ(0, reader->TransferObject(loaded)) << i;
    ASSERT_EQ(i, AsNode(loaded)->value);
  }
  loaded = nullptr;
  EXPECT_NE(0, reader->TransferObject(loaded));
  EXPECT_EQ(nullptr, loaded);
  EXPECT_EQ("ERROR: KolFile: Object Loader: more than " + std::to_string(KolFile::kMaxObjects) +
                " objects\n",
            log.Text());
}

}  // namespace
