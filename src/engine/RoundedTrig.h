// Sine and cosine rounded correctly to nearest, computed by our own code so that
// every build (glibc, mingw-w64, wasi-libc) draws the same pixels from the same
// arguments. The effects call these, never the C library's trigonometry; they
// must never call it either, nor depend on whether the compiler fuses a multiply
// and an add (the file is compiled with contraction off).
#pragma once

float SinF(float x);
float CosF(float x);
double Sin(double x);

// The slow path alone (multi-word fixed point, always exact), for the checks
// that compare the fast path with it.
float SinFAccurate(float x);
float CosFAccurate(float x);
double SinAccurate(double x);
