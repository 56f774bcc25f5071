#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "KolClassRegistry.h"
#include "KolData.h"
#include "KolFile.h"
#include "KolLog.h"
#include "TestSupport.h"

// While non-zero, any single allocation larger than this is refused with
// bad_alloc instead of being made, so a file that would make the reader ask
// for gigabytes shows up as an exception rather than as a swapping machine.
// Every plain form is replaced so that new and delete always pair up.
static std::size_t gRefuseAbove = 0;

static void* Allocate(std::size_t size) {
  if (gRefuseAbove != 0 && size > gRefuseAbove) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
static void* AllocateOrNull(std::size_t size) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

// A node with one int and one reference to another persistent object.
class Node : public KolObject {
 public:
  const char* ClassName() const override { return "Node"; }
  std::unique_ptr<KolObject> Create() const override { return std::make_unique<Node>(); }
  int Transfer(KolData& data) override {
    if (int r = data.Storing() ? data.WriteInt(value) : data.ReadInt(value)) return r;
    return data.TransferObject(link);
  }
  int value = 0;
  KolObject* link = nullptr;
};

class Label : public KolObject {
 public:
  const char* ClassName() const override { return "Label"; }
  std::unique_ptr<KolObject> Create() const override { return std::make_unique<Label>(); }
  int Transfer(KolData& data) override {
    return data.Storing() ? data.WriteString(text.c_str()) : data.ReadString(text);
  }
  std::string text = "unset";
};

// Same layout as Node under another name, registered only where a test says so.
class Stray : public Node {
 public:
  const char* ClassName() const override { return "Stray"; }
};

std::string Int(int v) {
  std::string out;
  for (int i = 0; i < 4; ++i) out += static_cast<char>(static_cast<unsigned>(v) >> (8 * i));
  return out;
}
std::string Str(const std::string& s) { return s + '\0'; }
std::string Header(int count, int id, const std::string& name) {
  return Str("KOL") + Int(count) + Int(id) + Str(name) + Int(-1);
}
Node* AsNode(KolObject* o) { return dynamic_cast<Node*>(o); }

// One directory registered as both default sources, as the demo does with its
// data folder.
class KolFileTest : public ::testing::Test {
 protected:
  KolFileTest() {
    source_.Open(kKindDirectory, dir_.Path().c_str());
    source_.SetDefault(false);
    source_.SetDefault(true);
  }

  // Stores the references in order into one file.
  int Store(const char* name, std::initializer_list<KolObject*> objects) {
    KolFile file(true);
    if (int r = file.OpenWrite(name)) return r;
    for (KolObject* o : objects)
      if (int r = file.TransferObject(o)) return r;
    return file.CloseFile();
  }

  // Opens a file in reader_ (which owns what it loads) and loads the references
  // in order; an OpenRead failure comes back as 100 + its code.
  int Load(const char* name, std::initializer_list<KolObject**> refs) {
    reader_ = std::make_unique<KolFile>(false);
    if (int r = reader_->OpenRead(name)) return 100 + r;
    for (KolObject** ref : refs)
      if (int r = reader_->TransferObject(*ref)) return r;
    return 0;
  }

  LogCapture log_;
  TempDir dir_;
  KolData source_;
  KolData archive_;
  std::unique_ptr<KolFile> reader_;  // declared last: closed before the sources
};

TEST_F(KolFileTest, SharedObjectIsWrittenOnceAndComesBackShared) {
  ClassRegistry().Register(std::make_unique<Label>());  // unused: not in the header
  ClassRegistry().Register(std::make_unique<Node>());
  Node a, b;
  a.value = 7;
  a.link = &b;
  b.value = 9;
  // b is reached through a first, then stored again at the top level.
  ASSERT_EQ(0, Store("g.kol", {&a, &b, nullptr}));
  EXPECT_EQ(Header(2, 1, "Node") + Int(0) + Int(1) + Int(7) + Int(1) + Int(1) + Int(9) + Int(-1) +
                Int(1) + Int(-1),
            dir_.Read("g.kol"));

  KolObject* first = nullptr;
  KolObject* second = nullptr;
  KolObject* none = &a;  // a stored null overwrites whatever was there
  ASSERT_EQ(0, Load("g.kol", {&first, &second, &none}));
  EXPECT_EQ(nullptr, none);
  ASSERT_NE(nullptr, AsNode(first));
  EXPECT_EQ(7, AsNode(first)->value);
  EXPECT_EQ(second, AsNode(first)->link);
  EXPECT_EQ(9, AsNode(second)->value);
  EXPECT_EQ(nullptr, AsNode(second)->link);
  EXPECT_EQ(0, reader_->CloseFile());
  // Taken objects outlive the file.
  auto owned = reader_->TakeLoadedObjects();
  reader_.reset();
  ASSERT_EQ(2u, owned.size());
  EXPECT_EQ(7, AsNode(owned[0].get())->value);
  EXPECT_EQ("", log_.Text());
}

TEST_F(KolFileTest, HeaderListsUsedClassesOnceInRegistryOrder) {
  ClassRegistry().Register(std::make_unique<Label>());
  ClassRegistry().Register(std::make_unique<Node>());
  Node a, b;
  a.value = -2;
  b.value = 0x01020304;
  {
    // Never closed by hand: the destructor still puts the header in front.
    KolFile file(true);
    ASSERT_EQ(0, file.OpenWrite("two.kol"));
    KolObject* ra = &a;
    KolObject* rb = &b;
    ASSERT_EQ(0, file.TransferObject(ra));
    // A class registered while writing is still counted and listed.
    ClassRegistry().Register(std::make_unique<Stray>());
    ASSERT_EQ(0, file.TransferObject(rb));
  }
  EXPECT_EQ(Header(3, 1, "Node") + Int(0) + Int(1) + Int(-2) + Int(-1) + Int(1) + Int(1) +
                "\x04\x03\x02\x01" + Int(-1),
            dir_.Read("two.kol"));

  Label label;
  label.text = "hi";
  Stray stray;
  ASSERT_EQ(0, Store("mixed.kol", {&stray, &b, &label}));
  EXPECT_EQ(Str("KOL") + Int(3) + Int(0) + Str("Label") + Int(1) + Str("Node") + Int(2) +
                Str("Stray") + Int(-1) + Int(0) + Int(2) + Int(0) + Int(-1) + Int(1) + Int(1) +
                "\x04\x03\x02\x01" + Int(-1) + Int(2) + Int(0) + Str("hi"),
            dir_.Read("mixed.kol"));
}

TEST_F(KolFileTest, SelfReferenceAndTwoCycleLoadAsTheSameObjects) {
  ClassRegistry().Register(std::make_unique<Node>());
  Node self, c, d;
  self.link = &self;
  c.link = &d;
  d.value = 3;
  d.link = &c;
  ASSERT_EQ(0, Store("cycle.kol", {&self, &c}));
  EXPECT_EQ(Header(1, 0, "Node") + Int(0) + Int(0) + Int(0) + Int(0) + Int(1) + Int(0) + Int(0) +
                Int(2) + Int(0) + Int(3) + Int(1),
            dir_.Read("cycle.kol"));

  KolObject* first = nullptr;
  KolObject* second = nullptr;
  ASSERT_EQ(0, Load("cycle.kol", {&first, &second}));
  ASSERT_NE(nullptr, AsNode(first));
  EXPECT_EQ(first, AsNode(first)->link);
  Node* other = AsNode(AsNode(second)->link);
  ASSERT_NE(nullptr, other);
  EXPECT_NE(second, other);
  EXPECT_EQ(second, other->link);
  EXPECT_EQ(3, other->value);
  EXPECT_EQ(3u, reader_->TakeLoadedObjects().size());
}

TEST_F(KolFileTest, UnregisteredClassIsRefusedWhenStoring) {
  ClassRegistry().Register(std::make_unique<Node>());
  EXPECT_EQ(0, KolFile::GetID("Node"));
  Stray stray;
  Node holder;
  holder.link = &stray;
  EXPECT_NE(0, Store("stray.kol", {&holder}));
  EXPECT_EQ(
      "KolFile: GetID: Error: class <Stray> not found\n"
      "StoreObject: object's class is not registered\n"
      "[-1] Stray\n",
      log_.Text());
  EXPECT_EQ(0, GlobalLog().RecordCount());
  // An idle file transfers nothing.
  KolFile idle(true);
  KolObject* ref = &holder;
  EXPECT_NE(0, idle.TransferObject(ref));
}

TEST_F(KolFileTest, BrokenHeadersFailAtOpenRead) {
  ClassRegistry().Register(std::make_unique<Node>());
  const std::string magic = "KolFile: LoadClass: invalid magic\n";
  const struct {
    std::string bytes, log;
  } cases[] = {
      {Str("KOX") + Int(1) + Int(-1), magic},
      {Str("KOLA") + Int(1) + Int(-1), magic},
      {"", magic},
      {Header(1, 0, "Ghost"),
       "KolFile: GetID: Error: class <Ghost> not found\n"
       "KolFile: LoadClass: can't match class <Ghost>\n"},
      {Header(2, 2, "Node"), "KolFile: LoadClass: invalid id 2/2\n"},
      {Str("KOL") + "\x01", ""},                               // cut in the count
      {Str("KOL") + Int(1) + Int(0) + Str("Node"), ""},        // no list end
      {Str("KOL") + Int(1) + Int(0) + Str("") + Int(-1), ""},  // no class name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    GlobalLog().SetBufferOutput(true);
    dir_.Write("bad.kol", c.bytes);
    EXPECT_NE(0, Load("bad.kol", {}));
    EXPECT_EQ(c.log, log_.Text());
  }
  // A huge class count is only a bound for the ids, not a size to allocate.
  dir_.Write("big.kol", Header(0x7FFFFFFF, 5, "Node") + Int(0) + Int(5) + Int(4) + Int(-1));
  KolObject* loaded = nullptr;
  int result = -1;
  gRefuseAbove = 1 << 20;
  EXPECT_NO_THROW(result = Load("big.kol", {&loaded}));
  gRefuseAbove = 0;
  ASSERT_EQ(0, result);
  EXPECT_EQ(4, AsNode(loaded)->value);
}

// A header with a huge count and one huge id is a few bytes in the file; the
// class map must not grow to one entry per id up to it.
TEST_F(KolFileTest, HugeClassIdInTheHeaderAllocatesNothingLarge) {
  ClassRegistry().Register(std::make_unique<Node>());
  const int id = 0x10000000;
  dir_.Write("far.kol", Header(0x7FFFFFFF, id, "Node") + Int(0) + Int(id) + Int(8) + Int(-1));
  KolObject* loaded = nullptr;
  int result = -1;
  gRefuseAbove = 1 << 20;
  EXPECT_NO_THROW(result = Load("far.kol", {&loaded}));
  gRefuseAbove = 0;
  EXPECT_EQ(0, result);
  ASSERT_NE(nullptr, AsNode(loaded));
  EXPECT_EQ(8, AsNode(loaded)->value);
}

TEST_F(KolFileTest, BadObjectAndClassIdsFailToLoad) {
  ClassRegistry().Register(std::make_unique<Label>());
  ClassRegistry().Register(std::make_unique<Node>());
  const std::string badObject = "ERROR: KolFile: Object Loader: invalid object ID\n";
  const std::string badClass = "ERROR: KolFile: Object Loader: invalid class ID\n";
  const struct {
    std::string body, log;
  } cases[] = {
      {Int(1), badObject},           // past the table
      {Int(-2), badObject},          // below -1
      {Int(0) + Int(-1), badClass},  // negative class
      {Int(0) + Int(3), badClass},   // not below the count
      {Int(0) + Int(0), badClass},   // counted but not listed
      {Int(0) + Int(2) + Int(1) + Int(2), badObject + "ERROR: KolFile: Object Loader: (1)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.body));
    GlobalLog().SetBufferOutput(true);
    // Class count 3 with only file class 2 listed (as Node).
    dir_.Write("ids.kol", Header(3, 2, "Node") + c.body);
    KolObject* loaded = nullptr;
    EXPECT_EQ(1, Load("ids.kol", {&loaded}));
    EXPECT_EQ(nullptr, loaded);
    EXPECT_EQ(c.log, log_.Text());
    EXPECT_EQ(0, GlobalLog().RecordCount());
  }
}

TEST_F(KolFileTest, TruncatedDataFailsAndKeepsWhatWasMade) {
  ClassRegistry().Register(std::make_unique<Node>());
  Node a, b;
  a.value = 11;
  a.link = &b;
  b.value = 12;
  ASSERT_EQ(0, Store("full.kol", {&a}));
  const std::string full = dir_.Read("full.kol");
  // Cut inside b's value: both loaders fail, the inner one first.
  dir_.Write("cut.kol", full.substr(0, full.size() - 6));
  KolObject* loaded = nullptr;
  EXPECT_EQ(1, Load("cut.kol", {&loaded}));
  EXPECT_EQ(nullptr, loaded);
  EXPECT_EQ("ERROR: KolFile: Object Loader: (1)\nERROR: KolFile: Object Loader: (1)\n",
            log_.Text());
  EXPECT_EQ(2u, reader_->TakeLoadedObjects().size());

  // Cut inside the first object id: nothing is made, nothing printed.
  GlobalLog().SetBufferOutput(true);
  dir_.Write("cut.kol", Header(1, 0, "Node") + std::string(2, '\0'));
  EXPECT_EQ(1, Load("cut.kol", {&loaded}));
  EXPECT_TRUE(reader_->TakeLoadedObjects().empty());
  EXPECT_EQ("", log_.Text());
}

TEST_F(KolFileTest, StringFieldsRoundTripWithinTheLengthLimit) {
  ClassRegistry().Register(std::make_unique<Label>());
  Label empty, longest, tooLong;
  empty.text = "";
  longest.text = std::string(255, 'x');
  tooLong.text = std::string(256, 'y');
  ASSERT_EQ(0, Store("s.kol", {&empty, &longest, &tooLong}));
  // The empty string is a single zero byte.
  const std::string start = Header(1, 0, "Label") + Int(0) + Int(0) + Str("") + Int(1);
  EXPECT_EQ(start, dir_.Read("s.kol").substr(0, start.size()));

  KolObject* got[3] = {};
  EXPECT_EQ(1, Load("s.kol", {&got[0], &got[1], &got[2]}));
  ASSERT_NE(nullptr, got[1]);
  EXPECT_EQ("", static_cast<Label*>(got[0])->text);
  EXPECT_EQ(longest.text, static_cast<Label*>(got[1])->text);
  EXPECT_EQ(nullptr, got[2]);
  EXPECT_EQ(
      "KolData::ReadString: stored string is longer than 255 characters\n"
      "ERROR: KolFile: Object Loader: (1)\n",
      log_.Text());

  // A string running into the end of the file without its terminator.
  dir_.Write("open.kol", Header(1, 0, "Label") + Int(0) + Int(0) + "abc");
  got[0] = nullptr;
  EXPECT_EQ(1, Load("open.kol", {&got[0]}));
  EXPECT_EQ(nullptr, got[0]);
}

TEST_F(KolFileTest, ReadsBackFromAnArchiveWithTheRegistryInAnotherOrder) {
  ClassRegistry().Register(std::make_unique<Node>());
  ClassRegistry().Register(std::make_unique<Label>());
  Label label;
  label.text = "zip";
  Node a, b;
  a.link = &b;
  b.value = 22;
  b.link = &label;
  ASSERT_EQ(0, Store("graph.kol", {&a, &label}));
  ASSERT_TRUE(WriteZip(dir_.PathOf("data.zip"), {{"graph.kol", dir_.Read("graph.kol")}}));

  // The reading program registered the same classes the other way round.
  ClassRegistry().ResetForTest();
  ClassRegistry().Register(std::make_unique<Label>());
  ClassRegistry().Register(std::make_unique<Node>());
  ASSERT_EQ(0, archive_.Open(kKindArchive, dir_.PathOf("data.zip").c_str()));
  archive_.SetDefault(false);
  KolObject* root = nullptr;
  KolObject* again = nullptr;
  ASSERT_EQ(0, Load("graph.kol", {&root, &again}));
  Node* second = AsNode(AsNode(root)->link);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(22, second->value);
  EXPECT_EQ(again, second->link);
  ASSERT_NE(nullptr, dynamic_cast<Label*>(again));
  EXPECT_EQ("zip", dynamic_cast<Label*>(again)->text);
  EXPECT_EQ(0, reader_->CloseFile());
}

}  // namespace
