/* setjmp and longjmp for wasm32-wasi, which wasi-libc leaves out. clang
   (-mexception-handling -mllvm -wasm-enable-sjlj) rewrites every call of these
   two into calls of the small runtime in SetjmpRuntime.c, with a longjmp
   thrown as a WebAssembly exception; the buffer only has to hold the id the
   runtime gives each setjmp. */
#ifndef SOLVANE_WASI_SETJMP_H
#define SOLVANE_WASI_SETJMP_H

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned long jmp_buf[2];

int setjmp(jmp_buf env);
__attribute__((__noreturn__)) void longjmp(jmp_buf env, int value);

#ifdef __cplusplus
}
#endif

#endif
