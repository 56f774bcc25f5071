/* The runtime clang 14 calls for setjmp/longjmp in WebAssembly (the contract
   of LLVM's WebAssemblyLowerEmscriptenEHSjLj pass with -wasm-enable-sjlj): a
   function that calls setjmp keeps a table of (id, label) pairs; setjmp gives
   the buffer a fresh id and records it with the label of the code to resume;
   longjmp throws the buffer and value as a WebAssembly exception with the
   __c_longjmp tag, and each function on the way up looks the buffer's id up
   in its own table. The module has one thread, so the arguments of the
   longjmp in flight can live in one static. */
#include <setjmp.h>
#include <stdint.h>
#include <stdlib.h>

typedef struct {
  uintptr_t id;
  uint32_t label;
} SetjmpEntry;

static uintptr_t gLastSetjmpId;
static uint32_t gTempRet0;

static struct {
  void* env;
  int value;
} gLongjmp;

uint32_t getTempRet0(void) { return gTempRet0; }
void setTempRet0(uint32_t value) { gTempRet0 = value; }

/* The table ends at the first zero id; size is its capacity (one more entry
   is allocated for that end mark). The new capacity goes back through
   getTempRet0. */
SetjmpEntry* saveSetjmp(uintptr_t* env, uint32_t label, SetjmpEntry* table, uint32_t size) {
  *env = ++gLastSetjmpId;
  uint32_t i = 0;
  while (i < size && table[i].id != 0) ++i;
  if (i == size) {
    SetjmpEntry* grown = realloc(table, sizeof(SetjmpEntry) * (2 * size + 1));
    if (!grown) abort();
    table = grown;
    size *= 2;
  }
  table[i].id = *env;
  table[i].label = label;
  table[i + 1].id = 0;
  gTempRet0 = size;
  return table;
}

uint32_t testSetjmp(uintptr_t id, SetjmpEntry* table, uint32_t size) {
  for (uint32_t i = 0; i < size && table[i].id != 0; ++i)
    if (table[i].id == id) return table[i].label;
  return 0;
}

void __wasm_longjmp(void* env, int value) {
  gLongjmp.env = env;
  gLongjmp.value = value != 0 ? value : 1; /* setjmp never returns 0 from a longjmp */
  __builtin_wasm_throw(1, &gLongjmp);      /* 1: the __c_longjmp tag */
}

/* clang 14 defines the __c_longjmp tag only in an object that calls setjmp
   (elsewhere the tag stays an undefined weak symbol, which it cannot emit). */
int SolvaneSetjmpTagAnchor(jmp_buf env);
int SolvaneSetjmpTagAnchor(jmp_buf env) { return setjmp(env); }
