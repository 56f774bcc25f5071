// How the rounding is made certain: a fast evaluation carries an error bound, and
// when the true value might lie on the other side of a rounding boundary the
// argument is evaluated again in 288-bit fixed point, whose error is far below
// the closest any float or double argument comes to such a boundary.
#include "RoundedTrig.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

using std::uint32_t;
using std::uint64_t;

// The leading bits of 2/pi, 32 to a word: enough for the exact reduction of
// the largest double with 350 bits to spare.
constexpr uint32_t kTwoOverPiWords[48] = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599, 0x3C439041, 0xFE5163AB,
    0xDEBBC561, 0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C, 0xFE1DEB1C, 0xB129A73E,
    0xE88235F5, 0x2EBB4484, 0xE99C7026, 0xB45F7E41, 0x3991D639, 0x835339F4, 0x9C845F8B,
    0xBDF9283B, 0x1FF897FF, 0xDE05980F, 0xEF2F118B, 0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7,
    0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B, 0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1,
    0x1F8D5D08, 0x56033046, 0xFC7B6BAB, 0xF0CFBC20, 0x9AF4361D, 0xA9E39161, 0x5EE61B08,
    0x6599855F, 0x14A06840, 0x8DFFD880, 0x4D732731, 0x06061556, 0xCA73A8C9};

// Fixed point: word 0 the integer part, words 1..9 the fraction (288 bits).
constexpr int kWords = 10;
struct Fixed {
  uint32_t word[kWords] = {};
};

constexpr Fixed kHalfPi = {{0x00000001, 0x921FB544, 0x42D18469, 0x898CC517, 0x01B839A2,
                            0x52049C11, 0x14CF98E8, 0x04177D4C, 0x76273644, 0xA29410F3}};

// pi/2 in four parts. k times the first or the third (33 bits each) is exact
// for every k below 2^20, and the second is a multiple of 2^-53 (20 bits), so
// x - k p1 - k p2 is exact too.
constexpr double kHalfPi1 = 0x1.921fb544p+0;
constexpr double kHalfPi2 = 0x1.0b462p-34;
constexpr double kHalfPi3 = -0x1.cb3b399dp-55;
constexpr double kHalfPi4 = -0x1.d1fc8f8cbb5bfp-89;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kRoundShift = 0x1.8p52;  // adding and removing it rounds to an integer
constexpr double kModerateLimit = 0x1p20;

// sin and cos of i/256 (i = 0..201), each as a pair of doubles (high, low), and
// the high part's leading 26 bits, whose product with 27 bits is exact.
struct TableRow {
  double sinHi, sinLo, sinHead, cosHi, cosLo, cosHead;
};
constexpr TableRow kTable[202] = {
    {0x0.0p+0, 0x0.0p+0, 0x0.0p+0, 0x1.0000000000000p+0, 0x0.0p+0, 0x1.0000000000000p+0},
    {0x1.ffffaaaaaeeefp-9, -0x1.2b12b0ce9b237p-65, 0x1.ffffaa8000000p-9, 0x1.ffff000015555p-1, 0x1.27d27df7df7bbp-55, 0x1.ffff000000000p-1},
    {0x1.fffeaaaaeeeefp-8, -0x1.e45e2ec67b77cp-62, 0x1.fffeaa8000000p-8, 0x1.fffc000155552p-1, 0x1.f4a01a0196daep-55, 0x1.fffc000000000p-1},
    {0x1.7ffdc00103330p-7, -0x1.15efa2be503dbp-61, 0x1.7ffdc00000000p-7, 0x1.fff70006bffe0p-1, -0x1.9984c57e6cfb8p-55, 0x1.fff7000000000p-1},
    {0x1.fffaaaaeeeed5p-7, -0x1.2ab639a9f0776p-63, 0x1.fffaaa8000000p-7, 0x1.fff000155549fp-1, 0x1.28a28a03a5ef3p-55, 0x1.fff0000000000p-1},
    {0x1.3ffacab12d517p-6, 0x1.519b3218acccfp-60, 0x1.3ffaca8000000p-6, 0x1.ffe700341529fp-1, -0x1.b3bc25e3e4cb3p-57, 0x1.ffe7000000000p-1},
    {0x1.7ff7001033255p-6, 0x1.efe2b51527336p-64, 0x1.7ff7000000000p-6, 0x1.ffdc006bff7e6p-1, 0x1.ae6dae86977bdp-55, 0x1.ffdc008000000p-1},
    {0x1.bff1b57858e83p-6, 0x1.df20c232a4f03p-60, 0x1.bff1b58000000p-6, 0x1.ffcf00c8140e9p-1, -0x1.c3e3e857e2d30p-55, 0x1.ffcf010000000p-1},
    {0x1.ffeaaaeeee86fp-6, -0x1.cd406fb224ae2p-60, 0x1.ffeaab0000000p-6, 0x1.ffc00155527d3p-1, -0x1.3b54492d89b5bp-55, 0x1.ffc0018000000p-1},
    {0x1.1ff0d03d81efcp-5, 0x1.b74e4aa1f4c7fp-59, 0x1.1ff0d00000000p-5, 0x1.ffaf0222ba3bdp-1, -0x1.426013ff0feb7p-57, 0x1.ffaf020000000p-1},
    {0x1.3feb2b12d45d5p-5, 0x1.4ec54203d1c11p-60, 0x1.3feb2b0000000p-5, 0x1.ff9c03414a7bap-1, 0x1.991f4be6c59bfp-57, 0x1.ff9c038000000p-1},
    {0x1.5fe445fd1660fp-5, 0x1.d7a6e37a23793p-59, 0x1.5fe4460000000p-5, 0x1.ff8704c4021c8p-1, -0x1.d80c59264b631p-57, 0x1.ff87050000000p-1},
    {0x1.7fdc01032fba9p-5, -0x1.599bdf46e997ap-59, 0x1.7fdc010000000p-5, 0x1.ff7006bfdf99fp-1, -0x1.8b3b560648d5fp-56, 0x1.ff70068000000p-1},
    {0x1.9fd23c2d680dfp-5, -0x1.70b1a2ba5f590p-60, 0x1.9fd23c0000000p-5, 0x1.ff57094be0f62p-1, 0x1.780a6d6b9aac9p-55, 0x1.ff57098000000p-1},
    {0x1.bfc6d78586dacp-5, 0x1.8e4fd03dbf236p-62, 0x1.bfc6d78000000p-5, 0x1.ff3c0c8103a31p-1, 0x1.4856dbddc0e66p-56, 0x1.ff3c0c8000000p-1},
    {0x1.dfb9b316f372ap-5, -0x1.b3adb2cd8fe77p-61, 0x1.dfb9b30000000p-5, 0x1.ff1f107a44695p-1, 0x1.2552d1d5613d6p-58, 0x1.ff1f108000000p-1},
    {0x1.ffaaaeeed4edbp-5, -0x1.2d16d32684b69p-59, 0x1.ffaaaf0000000p-5, 0x1.ff0015549f4d3p-1, 0x1.328387b99426fp-55, 0x1.ff00158000000p-1},
    {0x1.0fccd58e190ecp-4, -0x1.ef54e5b79b73cp-58, 0x1.0fccd58000000p-4, 0x1.fedf1b2f0f71dp-1, -0x1.358030423989ep-58, 0x1.fedf1b0000000p-1},
    {0x1.1fc343d808befp-4, -0x1.f3d32e6f3be4fp-58, 0x1.1fc3440000000p-4, 0x1.febc222a8ef9fp-1, 0x1.7934934f54c77p-58, 0x1.febc220000000p-1},
    {0x1.2fb8925ecc920p-4, -0x1.1aceeb6944bb7p-60, 0x1.2fb8928000000p-4, 0x1.fe972a6a16e73p-1, -0x1.9b4127ab3d548p-58, 0x1.fe972a8000000p-1},
    {0x1.3facb12d1755bp-4, -0x1.921915299468bp-58, 0x1.3facb10000000p-4, 0x1.fe7034129ef6fp-1, -0x1.cbf4337c96f97p-57, 0x1.fe70340000000p-1},
    {0x1.4f9f904ecb8ffp-4, 0x1.6fdd8bf8cda76p-58, 0x1.4f9f908000000p-4, 0x1.fe473f4b1d7d6p-1, 0x1.a001dd2227ed4p-55, 0x1.fe473f8000000p-1},
    {0x1.5f911fd10b737p-4, -0x1.0184f02be9102p-58, 0x1.5f91200000000p-4, 0x1.fe1c4c3c873ebp-1, -0x1.5a9c9057c4a02p-60, 0x1.fe1c4c0000000p-1},
    {0x1.6f814fc248d1fp-4, -0x1.1e7a14e279b6ap-59, 0x1.6f81500000000p-4, 0x1.fdef5b11cf45dp-1, -0x1.e833a08634830p-56, 0x1.fdef5b0000000p-1},
    {0x1.7f701032550e4p-4, 0x1.afc2d1800501ap-60, 0x1.7f70100000000p-4, 0x1.fdc06bf7e6b9bp-1, 0x1.31902b535f8dbp-55, 0x1.fdc06c0000000p-1},
    {0x1.8f5d5132710c4p-4, 0x1.ae29046de7c88p-61, 0x1.8f5d510000000p-4, 0x1.fd8f7f1dbcb07p-1, -0x1.c752ecfaa985bp-55, 0x1.fd8f7f0000000p-1},
    {0x1.9f4902d55d1f9p-4, 0x1.2696d7eac1dc1p-58, 0x1.9f49030000000p-4, 0x1.fd5c94b43e000p-1, -0x1.2e768cb4f92f9p-57, 0x1.fd5c948000000p-1},
    {0x1.af33152f68f8fp-4, 0x1.3f7698bdd23f1p-58, 0x1.af33150000000p-4, 0x1.fd27acee550dbp-1, 0x1.c3f64be936b41p-55, 0x1.fd27ad0000000p-1},
    {0x1.bf1b78568391dp-4, 0x1.e91841dea4cc8p-58, 0x1.bf1b788000000p-4, 0x1.fcf0c800e99b1p-1, 0x1.ea3d786d186acp-57, 0x1.fcf0c80000000p-1},
    {0x1.cf021c624b168p-4, -0x1.f6aedf73fb13fp-62, 0x1.cf021c8000000p-4, 0x1.fcb7e622e090ep-1, 0x1.efee620ded043p-55, 0x1.fcb7e60000000p-1},
    {0x1.dee6f16c1cce6p-4, -0x1.50f8e2fb71673p-59, 0x1.dee6f18000000p-4, 0x1.fc7d078d1bc88p-1, 0x1.075d2447db685p-55, 0x1.fc7d078000000p-1},
    {0x1.eec9e78f2502bp-4, 0x1.3535175887f66p-60, 0x1.eec9e78000000p-4, 0x1.fc402c7a79d2cp-1, 0x1.f515d61e3b7d1p-56, 0x1.fc402c8000000p-1},
    {0x1.feaaeee86ee36p-4, -0x1.afcb2bcc6f03bp-59, 0x1.feaaef0000000p-4, 0x1.fc015527d5bd3p-1, 0x1.b68f35094efb8p-55, 0x1.fc01550000000p-1},
    {0x1.0744fbcb7a34fp-3, -0x1.35f080b446e47p-57, 0x1.0744fc0000000p-3, 0x1.fbc081d406d54p-1, 0x1.19ca5c619c114p-55, 0x1.fbc0820000000p-1},
    {0x1.0f3378ddd71d1p-3, 0x1.d8468724f0f9ep-57, 0x1.0f33790000000p-3, 0x1.fb7db2bfe0695p-1, 0x1.21dadf4f65ab1p-55, 0x1.fb7db28000000p-1},
    {0x1.1720e6bcd1c11p-3, -0x1.370a768c28cc9p-57, 0x1.1720e68000000p-3, 0x1.fb38e82e31880p-1, -0x1.cd45c28dde5cfp-56, 0x1.fb38e80000000p-1},
    {0x1.1f0d3d7afceafp-3, -0x1.6ef95099769a5p-57, 0x1.1f0d3d8000000p-3, 0x1.faf22263c4bd3p-1, -0x1.52ace133a2769p-58, 0x1.faf2228000000p-1},
    {0x1.26f8752c02859p-3, 0x1.99d3f99560e16p-60, 0x1.26f8750000000p-3, 0x1.faa961a75fcd7p-1, 0x1.154aedc530b90p-55, 0x1.faa9618000000p-1},
    {0x1.2ee285e4ab88fp-3, -0x1.e4d0f05dee058p-57, 0x1.2ee2860000000p-3, 0x1.fa5ea641c36f2p-1, 0x1.04da6ed17cc7cp-59, 0x1.fa5ea68000000p-1},
    {0x1.36cb67bae7e52p-3, -0x1.2b58c9385fe0dp-59, 0x1.36cb678000000p-3, 0x1.fa11f07dab019p-1, 0x1.4c36f0cfac1a2p-55, 0x1.fa11f08000000p-1},
    {0x1.3eb312c5d66cbp-3, 0x1.47d666b66cb91p-57, 0x1.3eb3130000000p-3, 0x1.f9c340a7cc428p-1, 0x1.c5b6b063b7462p-55, 0x1.f9c3408000000p-1},
    {0x1.46997f1dccbd6p-3, 0x1.5772779edaa4cp-61, 0x1.46997f0000000p-3, 0x1.f972970ed7014p-1, 0x1.82d46ff943b09p-55, 0x1.f972970000000p-1},
    {0x1.4e7ea4dc5f27bp-3, 0x1.949db2ac072fcp-58, 0x1.4e7ea50000000p-3, 0x1.f91ff40374d01p-1, -0x1.7d03f4d3a9e4cp-57, 0x1.f91ff40000000p-1},
    {0x1.56627c1c68959p-3, -0x1.c1a626f9f35f9p-57, 0x1.56627c0000000p-3, 0x1.f8cb57d848b36p-1, -0x1.e28ca6524cc98p-60, 0x1.f8cb580000000p-1},
    {0x1.5e44fcfa126f3p-3, -0x1.6f443063f89b6p-57, 0x1.5e44fd0000000p-3, 0x1.f874c2e1eecf6p-1, -0x1.c6514e1332b16p-55, 0x1.f874c30000000p-1},
    {0x1.66261f92dc7f2p-3, 0x1.4732388b03388p-58, 0x1.66261f8000000p-3, 0x1.f81c3576fc132p-1, -0x1.a210f729d0428p-56, 0x1.f81c358000000p-1},
    {0x1.6e05dc05a4d4cp-3, -0x1.32c5c8b81c919p-66, 0x1.6e05dc0000000p-3, 0x1.f7c1afeffde24p-1, -0x1.8f55bc47540b1p-56, 0x1.f7c1b00000000p-1},
    {0x1.75e42a72afa53p-3, 0x1.25101dbbe3de1p-57, 0x1.75e42a8000000p-3, 0x1.f76532a779bc3p-1, -0x1.cc2b661f73e17p-56, 0x1.f765328000000p-1},
    {0x1.7dc102fbaf2b5p-3, 0x1.5ab50e23c97c3p-59, 0x1.7dc1030000000p-3, 0x1.f706bdf9ece1cp-1, -0x1.698c80c36dcb4p-55, 0x1.f706be0000000p-1},
    {0x1.859c5dc3cb85dp-3, 0x1.bdacb1bb1532ap-58, 0x1.859c5e0000000p-3, 0x1.f6a65245cbf89p-1, 0x1.21006d1ee0324p-55, 0x1.f6a6528000000p-1},
    {0x1.8d7632efaa944p-3, -0x1.20fa262cbb953p-57, 0x1.8d76330000000p-3, 0x1.f643efeb82acdp-1, 0x1.6b00ac1fe28acp-56, 0x1.f643f00000000p-1},
    {0x1.954e7aa577d22p-3, 0x1.add11e2b03481p-57, 0x1.954e7a8000000p-3, 0x1.f5df974d73509p-1, -0x1.1041b91c41e29p-55, 0x1.f5df978000000p-1},
    {0x1.9d252d0cec312p-3, 0x1.9c43d80b1137dp-58, 0x1.9d252d0000000p-3, 0x1.f57948cff6797p-1, 0x1.e3a0d3e03b1d4p-57, 0x1.f579490000000p-1},
    {0x1.a4fa424f55f0fp-3, 0x1.88fc2611aa255p-57, 0x1.a4fa428000000p-3, 0x1.f51104d95a9c8p-1, -0x1.1bc67d4243730p-55, 0x1.f511050000000p-1},
    {0x1.accdb297a0765p-3, -0x1.9883b57d6cdeap-58, 0x1.accdb28000000p-3, 0x1.f4a6cbd1e3a79p-1, 0x1.13df0edaebb57p-55, 0x1.f4a6cc0000000p-1},
    {0x1.b49f76125c1fdp-3, 0x1.697d0c986b191p-60, 0x1.b49f760000000p-3, 0x1.f43a9e23ca996p-1, -0x1.c057991f742e7p-55, 0x1.f43a9e0000000p-1},
    {0x1.bc6f84edc6199p-3, 0x1.9c1a56a7b0cabp-57, 0x1.bc6f850000000p-3, 0x1.f3cc7c3b3d16ep-1, -0x1.21a3ad28a3494p-57, 0x1.f3cc7c0000000p-1},
    {0x1.c43dd759d02eep-3, -0x1.5bcc2e3046626p-63, 0x1.c43dd78000000p-3, 0x1.f35c66865cff8p-1, 0x1.7cda41f3feef8p-55, 0x1.f35c668000000p-1},
    {0x1.cc0a6588289a3p-3, -0x1.868d09bc87c6bp-57, 0x1.cc0a658000000p-3, 0x1.f2ea5d753ffedp-1, 0x1.cc4215f56d583p-55, 0x1.f2ea5d8000000p-1},
    {0x1.d3d527ac41d38p-3, -0x1.6fa59a447a134p-58, 0x1.d3d5278000000p-3, 0x1.f2766179ef1c7p-1, -0x1.2932f8987bcb6p-57, 0x1.f276618000000p-1},
    {0x1.db9e15fb5a5d0p-3, -0x1.32e20d6cc6fc2p-57, 0x1.db9e160000000p-3, 0x1.f20073086649fp-1, 0x1.b940416c1984bp-56, 0x1.f200730000000p-1},
    {0x1.e36528ac848dap-3, -0x1.240b73f3963fep-60, 0x1.e365288000000p-3, 0x1.f188929693ef2p-1, -0x1.81f656ea94ccfp-55, 0x1.f188928000000p-1},
    {0x1.eb2a57f8ae5a3p-3, -0x1.0be06af572cebp-57, 0x1.eb2a580000000p-3, 0x1.f10ec09c5873bp-1, 0x1.d9072762c1283p-55, 0x1.f10ec08000000p-1},
    {0x1.f2ed9c1aa91c4p-3, -0x1.6142de810c2b7p-57, 0x1.f2ed9c0000000p-3, 0x1.f092fd9385c7ep-1, 0x1.750563a9bed86p-59, 0x1.f092fd8000000p-1},
    {0x1.faaeed4f31577p-3, -0x1.15d88508e32b8p-57, 0x1.faaeed8000000p-3, 0x1.f01549f7deea1p-1, 0x1.d3c1e99e5cafdp-55, 0x1.f0154a0000000p-1},
    {0x1.013721ea7b3e5p-2, 0x1.10fa1d5106315p-56, 0x1.0137220000000p-2, 0x1.ef95a647176b9p-1, -0x1.a2aefc066f251p-55, 0x1.ef95a68000000p-1},
    {0x1.0515cbf65155cp-2, -0x1.9b8c29dfd8ec7p-56, 0x1.0515cc0000000p-2, 0x1.ef141300d2f26p-1, -0x1.2aa1b08ded372p-55, 0x1.ef14130000000p-1},
    {0x1.08f370ec7138ap-2, -0x1.183d7d425e7ecp-57, 0x1.08f3710000000p-2, 0x1.ee9090a6a4ba0p-1, 0x1.48d59a9171632p-55, 0x1.ee90908000000p-1},
    {0x1.0cd00cef36436p-2, -0x1.9fb0a0c93e2b4p-56, 0x1.0cd00d0000000p-2, 0x1.ee0b1fbc0f11cp-1, -0x1.bfd2380bbc3b1p-59, 0x1.ee0b1f8000000p-1},
    {0x1.10ab9c2204c59p-2, -0x1.843c6295a07bfp-56, 0x1.10ab9c0000000p-2, 0x1.ed83c0c682d90p-1, 0x1.8605a9115beaep-57, 0x1.ed83c10000000p-1},
    {0x1.14861aa94ddebp-2, -0x1.be881b5b615a4p-57, 0x1.14861a8000000p-2, 0x1.ecfa744d5efa1p-1, -0x1.56d0a4af541d0p-58, 0x1.ecfa748000000p-1},
    {0x1.185f84aa9359bp-2, -0x1.5486ede74dbb2p-57, 0x1.185f848000000p-2, 0x1.ec6f3ad9efe2ap-1, -0x1.0bc0bfbb6aeaap-55, 0x1.ec6f3b0000000p-1},
    {0x1.1c37d64c6b876p-2, 0x1.46076fe0dcff4p-56, 0x1.1c37d68000000p-2, 0x1.ebe214f76efa8p-1, -0x1.02f9f12ba543ep-55, 0x1.ebe2150000000p-1},
    {0x1.200f0bb685180p-2, 0x1.31bdc968ef588p-57, 0x1.200f0b8000000p-2, 0x1.eb53033302187p-1, -0x1.40e3e817e1641p-56, 0x1.eb53030000000p-1},
    {0x1.23e52111aaf36p-2, -0x1.4f080334eff18p-56, 0x1.23e5210000000p-2, 0x1.eac2061bbaf4fp-1, 0x1.2c1d53e94658dp-57, 0x1.eac2060000000p-1},
    {0x1.27ba1287c8102p-2, -0x1.0fb418a5581b0p-59, 0x1.27ba128000000p-2, 0x1.ea2f1e42969b4p-1, -0x1.bd66b6627d017p-55, 0x1.ea2f1e8000000p-1},
    {0x1.2b8ddc43eb49fp-2, 0x1.1553899f2d807p-57, 0x1.2b8ddc8000000p-2, 0x1.e99a4c3a7cd83p-1, -0x1.2264b1bc53ce8p-55, 0x1.e99a4c0000000p-1},
    {0x1.2f607a724b365p-2, 0x1.70f6b47bd3fc4p-56, 0x1.2f607a8000000p-2, 0x1.e90390983fa78p-1, -0x1.28954c7f8dd8fp-55, 0x1.e903908000000p-1},
    {0x1.3331e94049f87p-2, 0x1.e0cb6b40c302cp-56, 0x1.3331e98000000p-2, 0x1.e86aebf29a9edp-1, 0x1.9397afdbb58a7p-55, 0x1.e86aec0000000p-1},
    {0x1.370224dc7913dp-2, -0x1.badca2c0c47d0p-57, 0x1.3702250000000p-2, 0x1.e7d05ee232573p-1, -0x1.c4621b65d22fbp-55, 0x1.e7d05f0000000p-1},
    {0x1.3ad129769d3d8p-2, 0x1.03d550487839ap-63, 0x1.3ad1298000000p-2, 0x1.e733ea0193d40p-1, -0x1.6428b3546ce13p-55, 0x1.e733ea0000000p-1},
    {0x1.3e9ef33fb22cbp-2, -0x1.cd85ab33f11b4p-58, 0x1.3e9ef30000000p-2, 0x1.e6958ded33e8ep-1, -0x1.a2d4a62b00c99p-59, 0x1.e6958e0000000p-1},
    {0x1.426b7e69ee697p-2, -0x1.f09c75705c59fp-56, 0x1.426b7e8000000p-2, 0x1.e5f54b436e9d0p-1, 0x1.7eb0fd02fc8bcp-55, 0x1.e5f54b8000000p-1},
    {0x1.4636c728c71a8p-2, -0x1.3e9c8df9261a7p-57, 0x1.4636c70000000p-2, 0x1.e55322a4868cep-1, -0x1.ff59bf4b08084p-55, 0x1.e553228000000p-1},
    {0x1.4a00c9b0f3d20p-2, 0x1.823ba6bb08eadp-56, 0x1.4a00c98000000p-2, 0x1.e4af14b2a449cp-1, -0x1.68ca02e8a6833p-55, 0x1.e4af148000000p-1},
    {0x1.4dc982387258bp-2, -0x1.57b6fc37e14d8p-56, 0x1.4dc9820000000p-2, 0x1.e4092211d5b7ep-1, 0x1.bc7573acc79e9p-56, 0x1.e409220000000p-1},
    {0x1.5190ecf68a77ap-2, 0x1.b357155eef0f3p-56, 0x1.5190ed0000000p-2, 0x1.e3614b680d6a5p-1, -0x1.27793aa015237p-56, 0x1.e3614b8000000p-1},
    {0x1.55570623d1c18p-2, 0x1.4cdaa70975dbep-59, 0x1.5557060000000p-2, 0x1.e2b7915d21fccp-1, 0x1.3149be81a8fd3p-55, 0x1.e2b7918000000p-1},
    {0x1.591bc9fa2f597p-2, 0x1.7c74bac3fe0cbp-57, 0x1.591bca0000000p-2, 0x1.e20bf49acd6c1p-1, -0x1.660aec7ef636bp-58, 0x1.e20bf48000000p-1},
    {0x1.5cdf34b4dfb98p-2, 0x1.7458b493a1d20p-56, 0x1.5cdf348000000p-2, 0x1.e15e75ccac6c3p-1, 0x1.3261811c2a8d6p-55, 0x1.e15e760000000p-1},
    {0x1.60a1429078775p-2, 0x1.b1fd80ba89133p-58, 0x1.60a1428000000p-2, 0x1.e0af15a03dbcep-1, 0x1.fe8e702771ae6p-58, 0x1.e0af158000000p-1},
    {0x1.6461efcaec077p-2, -0x1.94dc7178bd734p-56, 0x1.6461f00000000p-2, 0x1.dffdd4c4e17bep-1, 0x1.51415af290396p-55, 0x1.dffdd50000000p-1},
    {0x1.682138a38d7f7p-2, -0x1.d889202444aadp-56, 0x1.6821388000000p-2, 0x1.df4ab3ebd875ep-1, -0x1.e2d8a7e6736c4p-55, 0x1.df4ab40000000p-1},
    {0x1.6bdf195b1456ap-2, -0x1.1c05d4d4179b8p-57, 0x1.6bdf198000000p-2, 0x1.de95b3c84374dp-1, 0x1.8b4bf71c7de42p-55, 0x1.de95b40000000p-1},
    {0x1.6f9b8e33a0255p-2, 0x1.42bc14ee9da0dp-56, 0x1.6f9b8e0000000p-2, 0x1.ddded50f228d6p-1, -0x1.e80c8d42ba2bfp-57, 0x1.ddded50000000p-1},
    {0x1.73569370bc62bp-2, 0x1.bf3442bdd527ep-56, 0x1.7356938000000p-2, 0x1.dd26187754695p-1, 0x1.f16517d83bbcap-56, 0x1.dd26188000000p-1},
    {0x1.7710255764214p-2, -0x1.6ead7314bb6cep-57, 0x1.7710258000000p-2, 0x1.dc6b7eb995912p-1, 0x1.4b364776dcd35p-58, 0x1.dc6b7e8000000p-1},
    {0x1.7ac8402e05c9bp-2, 0x1.a39e39ea9f25cp-56, 0x1.7ac8400000000p-2, 0x1.dbaf08907fb2fp-1, 0x1.9a5395924f2ffp-55, 0x1.dbaf088000000p-1},
    {0x1.7e7ee03c86d4ep-2, -0x1.b63bcdabf5af2p-56, 0x1.7e7ee00000000p-2, 0x1.daf0b6b888e83p-1, 0x1.a249e2b5e5ceap-55, 0x1.daf0b68000000p-1},
    {0x1.823401cc47836p-2, -0x1.08091b8d964c7p-56, 0x1.8234020000000p-2, 0x1.da3089f002f90p-1, -0x1.15b9a62d60141p-55, 0x1.da308a0000000p-1},
    {0x1.85e7a12826949p-2, 0x1.8a40e9b5face0p-56, 0x1.85e7a10000000p-2, 0x1.d96e82f71a9dcp-1, 0x1.ff61bd5d2039dp-55, 0x1.d96e830000000p-1},
    {0x1.8999ba9c84fbap-2, 0x1.c1fef1753c7bfp-59, 0x1.8999ba8000000p-2, 0x1.d8aaa28fd6bf6p-1, -0x1.d74eb5f28a765p-55, 0x1.d8aaa28000000p-1},
    {0x1.8d4a4a774992fp-2, 0x1.44a02ea766326p-56, 0x1.8d4a4a8000000p-2, 0x1.d7e4e97e17b4ap-1, -0x1.3b770352bed94p-57, 0x1.d7e4e98000000p-1},
    {0x1.90f94d07e4ce8p-2, 0x1.32c8fb2f2ea25p-56, 0x1.90f94d0000000p-2, 0x1.d71d5887967eep-1, -0x1.516e003d9dd64p-58, 0x1.d71d588000000p-1},
    {0x1.94a6be9f546c5p-2, -0x1.69ce13e683f58p-56, 0x1.94a6be8000000p-2, 0x1.d653f073e4040p-1, -0x1.76236434bec37p-55, 0x1.d653f08000000p-1},
    {0x1.98529b9027235p-2, -0x1.70c0c231d4808p-56, 0x1.98529b8000000p-2, 0x1.d588b20c6846ep-1, -0x1.bef54b0f32a77p-55, 0x1.d588b20000000p-1},
    {0x1.9bfce02e80510p-2, 0x1.09e39a320b0a4p-56, 0x1.9bfce00000000p-2, 0x1.d4bb9e1c619e0p-1, 0x1.f34bb77858f61p-55, 0x1.d4bb9e0000000p-1},
    {0x1.9fa588d01ba55p-2, -0x1.6aa35ae5de16ap-59, 0x1.9fa5890000000p-2, 0x1.d3ecb570e3e87p-1, 0x1.8b4d9843b2bf5p-55, 0x1.d3ecb58000000p-1},
    {0x1.a34c91cc50ccap-2, -0x1.a310e3b50cecdp-58, 0x1.a34c920000000p-2, 0x1.d31bf8d8d7c06p-1, 0x1.e60dd3089cbddp-56, 0x1.d31bf90000000p-1},
    {0x1.a6f1f77c1718ap-2, 0x1.e7b0a3486494fp-56, 0x1.a6f1f78000000p-2, 0x1.d2496924f9ac7p-1, 0x1.f17673d6927ffp-55, 0x1.d249690000000p-1},
    {0x1.aa95b63a09277p-2, -0x1.6293eb13c0381p-57, 0x1.aa95b60000000p-2, 0x1.d1750727d94f0p-1, 0x1.0d52b1ec1a48ep-55, 0x1.d175070000000p-1},
    {0x1.ae37ca626888ap-2, 0x1.2d294cf918262p-57, 0x1.ae37ca8000000p-2, 0x1.d09ed3b5d8937p-1, 0x1.a8d847bc2c5bbp-55, 0x1.d09ed38000000p-1},
    {0x1.b1d8305321617p-2, -0x1.ae242cb99f519p-56, 0x1.b1d8308000000p-2, 0x1.cfc6cfa52ad9fp-1, 0x1.8b5b5508f2a0dp-55, 0x1.cfc6cf8000000p-1},
    {0x1.b576e46bce0e6p-2, 0x1.beb8a2f9cde89p-56, 0x1.b576e48000000p-2, 0x1.ceecfbcdd4213p-1, 0x1.b682a76d7e904p-60, 0x1.ceecfc0000000p-1},
    {0x1.b913e30dbac43p-2, -0x1.e38ad2f6c3ff1p-56, 0x1.b913e30000000p-2, 0x1.ce115909a82e5p-1, 0x1.1f139bb31109ap-55, 0x1.ce11590000000p-1},
    {0x1.bcaf289be92ddp-2, 0x1.8b06e5fb8daacp-56, 0x1.bcaf288000000p-2, 0x1.cd33e83449b34p-1, 0x1.61068cd16da9fp-57, 0x1.cd33e80000000p-1},
    {0x1.c048b17b140a3p-2, 0x1.19fe6757e9fa7p-57, 0x1.c048b18000000p-2, 0x1.cc54aa2b2972ep-1, 0x1.4ee162ba83a98p-57, 0x1.cc54aa0000000p-1},
    {0x1.c3e07a11b2c6ep-2, -0x1.76c26153de447p-57, 0x1.c3e07a0000000p-2, 0x1.cb739fcd8563cp-1, -0x1.7e793b55ea6a2p-55, 0x1.cb73a00000000p-1},
    {0x1.c7767ec7fd19ep-2, -0x1.eb14d1a3d5826p-58, 0x1.c7767f0000000p-2, 0x1.ca90c9fc67d0bp-1, -0x1.46a81485e3462p-57, 0x1.ca90ca0000000p-1},
    {0x1.cb0abc07ee997p-2, -0x1.2d6ebfce7c050p-56, 0x1.cb0abc0000000p-2, 0x1.c9ac299aa677fp-1, 0x1.7560844703578p-55, 0x1.c9ac298000000p-1},
    {0x1.ce9d2e3d4a51fp-2, -0x1.2fc8a12dae298p-57, 0x1.ce9d2e0000000p-2, 0x1.c8c5bf8ce1a84p-1, 0x1.ab3d1a1590123p-56, 0x1.c8c5bf8000000p-1},
    {0x1.d22dd1d59e5a4p-2, -0x1.3a439e78d5440p-57, 0x1.d22dd20000000p-2, 0x1.c7dd8cb9835c3p-1, -0x1.dd23c3aa785f7p-55, 0x1.c7dd8c8000000p-1},
    {0x1.d5bca34047661p-2, 0x1.28a44a75fc29cp-56, 0x1.d5bca38000000p-2, 0x1.c6f39208be53bp-1, -0x1.741dbfbaadb42p-55, 0x1.c6f3920000000p-1},
    {0x1.d9499eee7456bp-2, 0x1.40792a7dee83dp-59, 0x1.d9499f0000000p-2, 0x1.c607d0648d2c1p-1, -0x1.2169fa0e8ce47p-56, 0x1.c607d08000000p-1},
    {0x1.dcd4c15329c9ap-2, 0x1.0d4c6e171fd9ap-56, 0x1.dcd4c18000000p-2, 0x1.c51a48b8b175ep-1, -0x1.1bbb43b9aa880p-57, 0x1.c51a488000000p-1},
    {0x1.e05e06e345a5dp-2, 0x1.0f838535e3a93p-57, 0x1.e05e070000000p-2, 0x1.c42afbf2b2c93p-1, -0x1.f2a77b07f14e6p-57, 0x1.c42afc0000000p-1},
    {0x1.e3e56c1582a69p-2, -0x1.0a4821099f88fp-58, 0x1.e3e56c0000000p-2, 0x1.c339eb01ddd81p-1, -0x1.caaf5ee82c5c0p-55, 0x1.c339eb0000000p-1},
    {0x1.e76aed627be4ep-2, 0x1.8937d7fe3f57fp-56, 0x1.e76aed8000000p-2, 0x1.c24716d7437f3p-1, -0x1.4874850e5d927p-56, 0x1.c247170000000p-1},
    {0x1.eaee8744b05f0p-2, -0x1.789b43c9b027dp-58, 0x1.eaee878000000p-2, 0x1.c1528065b7d50p-1, -0x1.892111312e828p-55, 0x1.c152808000000p-1},
    {0x1.ee703638867dap-2, -0x1.3872f1aaf5cbdp-56, 0x1.ee70360000000p-2, 0x1.c05c28a1d1369p-1, 0x1.f9a1ac93aee95p-55, 0x1.c05c288000000p-1},
    {0x1.f1eff6bc4f97bp-2, 0x1.17212f8a7525cp-56, 0x1.f1eff68000000p-2, 0x1.bf641081e7536p-1, 0x1.b7bd71628a9a1p-55, 0x1.bf64108000000p-1},
    {0x1.f56dc5504b742p-2, 0x1.a18434fc65e81p-56, 0x1.f56dc58000000p-2, 0x1.be6a38fe1236ap-1, 0x1.fdab7587b02acp-56, 0x1.be6a390000000p-1},
    {0x1.f8e99e76abc97p-2, 0x1.9d950af2d00a3p-58, 0x1.f8e99e8000000p-2, 0x1.bd6ea310294f5p-1, 0x1.31bbcc88c109dp-56, 0x1.bd6ea30000000p-1},
    {0x1.fc637eb397bb8p-2, 0x1.d8f507b2ea243p-56, 0x1.fc637e8000000p-2, 0x1.bc714fb3c2766p-1, 0x1.eb19c8a06c310p-56, 0x1.bc714f8000000p-1},
    {0x1.ffdb628d2f57ap-2, 0x1.f4a992e905b6ap-57, 0x1.ffdb628000000p-2, 0x1.bb723fe630f32p-1, 0x1.72bd2452d0a39p-56, 0x1.bb72400000000p-1},
    {0x1.01a8a345c7871p-1, 0x1.a6deb08435ee0p-55, 0x1.01a8a38000000p-1, 0x1.ba7174a6847dep-1, -0x1.defb28953f677p-60, 0x1.ba71748000000p-1},
    {0x1.0362939c69955p-1, -0x1.2d8cd78397b01p-55, 0x1.0362938000000p-1, 0x1.b96eeef58840ep-1, 0x1.45a3cc78fade0p-58, 0x1.b96eef0000000p-1},
    {0x1.051b80908da4ap-1, 0x1.f7686b96f8f0ep-57, 0x1.051b808000000p-1, 0x1.b86aafd5c1d79p-1, 0x1.a6cc07549db15p-55, 0x1.b86ab00000000p-1},
    {0x1.06d3686946e5bp-1, 0x1.3f5ae4538ff1bp-55, 0x1.06d3688000000p-1, 0x1.b764b84b704c2p-1, -0x1.f5848c21b389bp-55, 0x1.b764b88000000p-1},
    {0x1.088a496eada47p-1, 0x1.e07780127666dp-56, 0x1.088a498000000p-1, 0x1.b65d095c8b12ep-1, 0x1.1d33cb4db26bdp-56, 0x1.b65d098000000p-1},
    {0x1.0a4021e9e1001p-1, -0x1.6f643a13914f6p-55, 0x1.0a40220000000p-1, 0x1.b553a410c104ep-1, 0x1.8ff7947027a15p-58, 0x1.b553a40000000p-1},
    {0x1.0bf4f02508a1cp-1, 0x1.da0ced695fe43p-57, 0x1.0bf4f00000000p-1, 0x1.b44889717757cp-1, 0x1.b17c0070c2815p-61, 0x1.b448898000000p-1},
    {0x1.0da8b26b5672ep-1, -0x1.a58def0bee909p-55, 0x1.0da8b28000000p-1, 0x1.b33bba89c8948p-1, 0x1.ea6a51d1f6ca9p-55, 0x1.b33bba8000000p-1},
    {0x1.0f5b670908515p-1, 0x1.a7ed13e5fbb05p-56, 0x1.0f5b670000000p-1, 0x1.b22d3866838c8p-1, -0x1.6e9a5f4ff5b7dp-59, 0x1.b22d388000000p-1},
    {0x1.110d0c4b69c3bp-1, 0x1.d918998809981p-55, 0x1.110d0c8000000p-1, 0x1.b11d04162a4c6p-1, 0x1.1dd561efbc0c2p-56, 0x1.b11d040000000p-1},
    {0x1.12bda080d5abcp-1, 0x1.d3a97fee7e959p-55, 0x1.12bda08000000p-1, 0x1.b00b1ea8f10dep-1, -0x1.958d71955fb3fp-55, 0x1.b00b1e8000000p-1},
    {0x1.146d21f8b7f82p-1, 0x1.bf9535e2739a8p-56, 0x1.146d220000000p-1, 0x1.aef78930bd275p-1, -0x1.f836279746f94p-56, 0x1.aef7890000000p-1},
    {0x1.161b8f038f54ep-1, -0x1.c5ee5cde48178p-58, 0x1.161b8f0000000p-1, 0x1.ade244c123f9fp-1, 0x1.8d3fc4dfa0f9cp-55, 0x1.ade2450000000p-1},
    {0x1.17c8e5f2eedb0p-1, 0x1.35e57102e2488p-57, 0x1.17c8e60000000p-1, 0x1.accb526f69de5p-1, 0x1.8fb6a8dd6b6ccp-55, 0x1.accb528000000p-1},
    {0x1.197525197fbefp-1, 0x1.810a2d8e3468ap-57, 0x1.1975250000000p-1, 0x1.abb2b352810eep-1, 0x1.db59f6f843f91p-55, 0x1.abb2b38000000p-1},
    {0x1.1b204acb02fddp-1, -0x1.f190c70cbb5fep-58, 0x1.1b204b0000000p-1, 0x1.aa98688308913p-1, -0x1.b83d607cd5072p-63, 0x1.aa98688000000p-1},
    {0x1.1cca555c5309bp-1, -0x1.fc53db3120a83p-58, 0x1.1cca558000000p-1, 0x1.a97c731b4b1d2p-1, 0x1.1245d6144e0cdp-56, 0x1.a97c730000000p-1},
    {0x1.1e7343236574cp-1, 0x1.22a3fa4f41d5ap-56, 0x1.1e73430000000p-1, 0x1.a85ed4373e02dp-1, 0x1.9be06385ec792p-57, 0x1.a85ed40000000p-1},
    {0x1.201b12774c9b6p-1, -0x1.d31fe293d1034p-59, 0x1.201b128000000p-1, 0x1.a73f8cf4800e8p-1, -0x1.c372ed4bdefbfp-57, 0x1.a73f8d0000000p-1},
    {0x1.21c1c1b0394cfp-1, 0x1.e5b324b23aa31p-58, 0x1.21c1c18000000p-1, 0x1.a61e9e72586afp-1, 0x1.58330e2fd453fp-55, 0x1.a61e9e8000000p-1},
    {0x1.23674f277c73cp-1, 0x1.87167f61285ffp-56, 0x1.23674f0000000p-1, 0x1.a4fc09d1b5825p-1, -0x1.4cce741fb33a5p-55, 0x1.a4fc0a0000000p-1},
    {0x1.250bb93788bbbp-1, 0x1.ea3d02457bccep-56, 0x1.250bb90000000p-1, 0x1.a3d7d0352bdcfp-1, -0x1.68dbaeca19669p-55, 0x1.a3d7d00000000p-1},
    {0x1.26aefe3bf437cp-1, -0x1.657b40100c3a6p-60, 0x1.26aefe0000000p-1, 0x1.a2b1f2c0f4ff0p-1, 0x1.c9fe748eedc9cp-56, 0x1.a2b1f30000000p-1},
    {0x1.28511c917a067p-1, -0x1.01df1d9a16b70p-55, 0x1.28511c8000000p-1, 0x1.a18a729aee445p-1, 0x1.95e25736c0357p-60, 0x1.a18a728000000p-1},
    {0x1.29f21295fbf51p-1, -0x1.6bd333b0b0cbbp-55, 0x1.29f2128000000p-1, 0x1.a06150ea97ba3p-1, 0x1.bc4a6cdcbf214p-55, 0x1.a061510000000p-1},
    {0x1.2b91dea88421ep-1, -0x1.fa371db216ab0p-55, 0x1.2b91de8000000p-1, 0x1.9f368ed912f85p-1, -0x1.1d200c5791606p-55, 0x1.9f368f0000000p-1},
    {0x1.2d307f29469cfp-1, 0x1.ba5fe5f921e0bp-56, 0x1.2d307f0000000p-1, 0x1.9e0a2d9121f73p-1, -0x1.5e7ba2bd64f0ap-56, 0x1.9e0a2d8000000p-1},
    {0x1.2ecdf279a3082p-1, 0x1.d3557e0e7e37ep-55, 0x1.2ecdf28000000p-1, 0x1.9cdc2e3f25e5cp-1, 0x1.3f99112993f62p-55, 0x1.9cdc2e0000000p-1},
    {0x1.306a36fc26359p-1, -0x1.21305ba6473abp-55, 0x1.306a370000000p-1, 0x1.9bac92111dfcep-1, 0x1.0ce9c6f353e9ap-55, 0x1.9bac920000000p-1},
    {0x1.32054b148bc4fp-1, 0x1.f6b42095a135bp-55, 0x1.32054b0000000p-1, 0x1.9a7b5a36a6514p-1, 0x1.722cfcc9fa7a9p-55, 0x1.9a7b5a0000000p-1},
    {0x1.339f2d27bfc05p-1, -0x1.ddf4717254e6fp-55, 0x1.339f2d0000000p-1, 0x1.994887e0f6a3fp-1, 0x1.0be6cea471d02p-56, 0x1.9948880000000p-1},
    {0x1.3537db9be0367p-1, 0x1.b327e7af040f0p-57, 0x1.3537db8000000p-1, 0x1.98141c42e1310p-1, 0x1.d1ff80488f08dp-55, 0x1.98141c8000000p-1},
    {0x1.36cf54d83ed56p-1, 0x1.6e1f20c8b5b7dp-57, 0x1.36cf550000000p-1, 0x1.96de1890d17cep-1, 0x1.caa25dc8e6991p-55, 0x1.96de188000000p-1},
    {0x1.386597456282bp-1, -0x1.10fada93b07a8p-56, 0x1.3865978000000p-1, 0x1.95a67e00cb1fdp-1, -0x1.0befda21f862dp-55, 0x1.95a67e0000000p-1},
    {0x1.39faa14d08f31p-1, -0x1.cd164b88ce902p-57, 0x1.39faa18000000p-1, 0x1.946d4dca688fcp-1, 0x1.02c6f2978af1dp-55, 0x1.946d4e0000000p-1},
    {0x1.3b8e715a2840ap-1, -0x1.97653a7d2f07ap-56, 0x1.3b8e718000000p-1, 0x1.93328926d9e92p-1, -0x1.bb77003600cdap-55, 0x1.9332890000000p-1},
    {0x1.3d2105d8f07fep-1, 0x1.1602a42d4b3d4p-57, 0x1.3d21060000000p-1, 0x1.91f63150e3b52p-1, -0x1.80bd33fb3df2ep-57, 0x1.91f6318000000p-1},
    {0x1.3eb25d36cd53ap-1, -0x1.be570e1570fc0p-58, 0x1.3eb25d0000000p-1, 0x1.90b84784ddaf7p-1, -0x1.0feb10ab93b87p-56, 0x1.90b8478000000p-1},
    {0x1.404275e2677f7p-1, -0x1.f859aade89fd2p-56, 0x1.4042760000000p-1, 0x1.8f78cd00b1899p-1, -0x1.d5d3da9ac3dd3p-58, 0x1.8f78cd0000000p-1},
    {0x1.41d14e4ba6790p-1, 0x1.4608fd287ecf5p-55, 0x1.41d14e8000000p-1, 0x1.8e37c303d9ad1p-1, -0x1.463a4b53d4bf8p-57, 0x1.8e37c30000000p-1},
    {0x1.435ee4e3b1f86p-1, 0x1.fd05667361565p-55, 0x1.435ee50000000p-1, 0x1.8cf52acf5ffc0p-1, 0x1.eb45b71ac7cc5p-56, 0x1.8cf52b0000000p-1},
    {0x1.44eb381cf386bp-1, -0x1.3ed6c1e6a5505p-55, 0x1.44eb380000000p-1, 0x1.8bb105a5dc900p-1, 0x1.863e03e9474c1p-55, 0x1.8bb1058000000p-1},
    {0x1.4676466b180b9p-1, 0x1.d4f2a623cabd3p-56, 0x1.4676468000000p-1, 0x1.8a6b54cb74779p-1, 0x1.754938eccac38p-55, 0x1.8a6b550000000p-1},
    {0x1.48000e431159fp-1, -0x1.b194a7463ed10p-55, 0x1.48000e8000000p-1, 0x1.89241985d871fp-1, 0x1.c48d9c413ed84p-55, 0x1.8924198000000p-1},
    {0x1.49888e1b17ba8p-1, 0x1.85f236b9ef692p-56, 0x1.49888e0000000p-1, 0x1.87db551c43a98p-1, 0x1.cc790421e159ap-58, 0x1.87db550000000p-1},
    {0x1.4b0fc46aab761p-1, 0x1.0da05738cc59cp-61, 0x1.4b0fc48000000p-1, 0x1.869108d77a6c6p-1, 0x1.338ffe2bfe9ddp-56, 0x1.8691090000000p-1},
    {0x1.4c95afaa965d9p-1, 0x1.99f87b905eef7p-55, 0x1.4c95af8000000p-1, 0x1.85453601c8e3ep-1, -0x1.8826853e7560ap-57, 0x1.8545360000000p-1},
    {0x1.4e1a4e54ed51bp-1, -0x1.a492f89b7c76ap-55, 0x1.4e1a4e8000000p-1, 0x1.83f7dde701ca0p-1, -0x1.152cf609bc6e8p-59, 0x1.83f7de0000000p-1},
    {0x1.4f9d9ee511c85p-1, 0x1.2ed6c74c625f7p-55, 0x1.4f9d9f0000000p-1, 0x1.82a901d47d1dcp-1, 0x1.7cbb4128c4c1ep-55, 0x1.82a9020000000p-1},
    {0x1.511f9fd7b351cp-1, -0x1.5c0e861c48831p-55, 0x1.511fa00000000p-1, 0x1.8158a31916d5dp-1, -0x1.de8b90b8228dep-57, 0x1.8158a30000000p-1},
    {0x1.52a04faad11b6p-1, 0x1.07d7bd78bcb9cp-55, 0x1.52a04f8000000p-1, 0x1.8006c3052d917p-1, 0x1.aa8fb560a8d95p-55, 0x1.8006c30000000p-1},
    {0x1.541facddbb724p-1, 0x1.232c28520d391p-56, 0x1.541fad0000000p-1, 0x1.7eb362eaa1488p-1, 0x1.a1d65a4a5959fp-58, 0x1.7eb3630000000p-1},
    {0x1.559db5f115436p-1, -0x1.7229f7edd6050p-56, 0x1.559db60000000p-1, 0x1.7d5e841cd1f93p-1, 0x1.ba5492fa6d189p-58, 0x1.7d5e840000000p-1},
    {0x1.571a6966d59b3p-1, 0x1.c843b4d0fb197p-58, 0x1.571a698000000p-1, 0x1.7c0827f09e54fp-1, -0x1.c73d6d72aee68p-57, 0x1.7c08280000000p-1},
    {0x1.5895c5c24923bp-1, 0x1.b97f22c957c4fp-55, 0x1.5895c60000000p-1, 0x1.7ab04fbc626b6p-1, 0x1.36a41f9c8150ap-55, 0x1.7ab04f8000000p-1},
    {0x1.5a0fc98813a12p-1, -0x1.d82e2b7d4227bp-55, 0x1.5a0fc98000000p-1, 0x1.7956fcd7f6543p-1, -0x1.ab276e9d45ae4p-55, 0x1.7956fd0000000p-1},
    {0x1.5b88733e316d1p-1, -0x1.077c33cd5e751p-55, 0x1.5b88730000000p-1, 0x1.77fc309cacd6ep-1, 0x1.a61550088db65p-58, 0x1.77fc308000000p-1},
    {0x1.5cffc16bf8f0dp-1, 0x1.96cb370eb578ap-55, 0x1.5cffc18000000p-1, 0x1.769fec655211fp-1, -0x1.827d5cf8c68c5p-57, 0x1.769fec8000000p-1},
    {0x1.5e75b29a1c1dfp-1, 0x1.c266e6544ba29p-55, 0x1.5e75b28000000p-1, 0x1.7542318e2a1fap-1, 0x1.da5b28e9eb3b9p-55, 0x1.7542318000000p-1},
    {0x1.5fea4552a9e57p-1, 0x1.0b6cef7ee20b7p-55, 0x1.5fea458000000p-1, 0x1.73e30174efba1p-1, -0x1.5d3ae3d94ad5fp-57, 0x1.73e3018000000p-1},
    {0x1.615d78210faddp-1, -0x1.e3827d0c03315p-56, 0x1.615d780000000p-1, 0x1.72825d78d2dd2p-1, -0x1.5c7ee90b400a9p-55, 0x1.72825d8000000p-1},
    {0x1.62cf49921ac79p-1, -0x1.edd9855b6241ap-55, 0x1.62cf498000000p-1, 0x1.712046fa77678p-1, 0x1.425b0a5029c81p-55, 0x1.7120470000000p-1},
    {0x1.643fb833f9e07p-1, -0x1.4a1c5cd0442cdp-57, 0x1.643fb80000000p-1, 0x1.6fbcbf5bf3ba2p-1, 0x1.eaec3811b3b5dp-55, 0x1.6fbcbf8000000p-1},
    {0x1.65aec2963e755p-1, 0x1.126f96b71053cp-55, 0x1.65aec28000000p-1, 0x1.6e57c800cf55ep-1, 0x1.60286dedbd0a6p-55, 0x1.6e57c80000000p-1},
    {0x1.671c6749de429p-1, -0x1.57b95de1e1fdfp-55, 0x1.671c678000000p-1, 0x1.6cf1624e01782p-1, 0x1.d2f32a51e82e8p-56, 0x1.6cf1628000000p-1},
    {0x1.6888a4e134b2fp-1, -0x1.6b7d37644d5e6p-55, 0x1.6888a50000000p-1, 0x1.6b898fa9efb5dp-1, 0x1.15ac786ccf4b2p-56, 0x1.6b898f8000000p-1},
    {0x1.69f379f0044d7p-1, 0x1.d89d29f8584f8p-55, 0x1.69f37a0000000p-1, 0x1.6a20517c6c950p-1, 0x1.a6fd059b9724cp-55, 0x1.6a20518000000p-1},
};

// Exact sums (Knuth, Dekker): each gives the rounded sum and its rounding error.
struct Pair {
  double hi, lo;
};

Pair TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

Pair FastTwoSum(double a, double b) {  // |a| >= |b|
  const double s = a + b;
  return {s, b - (s - a)};
}

uint64_t BitsOf(double x) {
  uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

double DoubleOf(uint64_t b) {
  double x;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

// --- the fixed-point slow path -------------------------------------------

Fixed Add(const Fixed& a, const Fixed& b) {
  Fixed out;
  uint64_t carry = 0;
  for (int k = kWords - 1; k >= 0; --k) {
    const uint64_t v = uint64_t{a.word[k]} + b.word[k] + carry;
    out.word[k] = static_cast<uint32_t>(v);
    carry = v >> 32;
  }
  return out;
}

Fixed Subtract(const Fixed& a, const Fixed& b) {  // a >= b
  Fixed out;
  uint64_t borrow = 0;
  for (int k = kWords - 1; k >= 0; --k) {
    const uint64_t v = uint64_t{a.word[k]} - b.word[k] - borrow;
    out.word[k] = static_cast<uint32_t>(v);
    borrow = (v >> 32) ? 1 : 0;
  }
  return out;
}

// The truncated product; both factors and the result stay below 2.
Fixed Multiply(const Fixed& a, const Fixed& b) {
  uint64_t column[kWords + 1] = {};
  for (int i = 0; i < kWords; ++i)
    for (int j = 0; i + j <= kWords && j < kWords; ++j) {
      const uint64_t p = uint64_t{a.word[i]} * b.word[j];
      column[i + j] += p & 0xFFFFFFFFu;
      if (i + j > 0) column[i + j - 1] += p >> 32;
    }
  Fixed out;
  uint64_t carry = 0;
  for (int k = kWords; k >= 0; --k) {
    const uint64_t v = column[k] + carry;
    if (k < kWords) out.word[k] = static_cast<uint32_t>(v);
    carry = v >> 32;
  }
  return out;
}

Fixed DivideSmall(const Fixed& a, uint32_t d) {
  Fixed out;
  uint64_t rest = 0;
  for (int k = 0; k < kWords; ++k) {
    const uint64_t v = (rest << 32) | a.word[k];
    out.word[k] = static_cast<uint32_t>(v / d);
    rest = v % d;
  }
  return out;
}

bool IsZero(const Fixed& a) {
  for (uint32_t w : a.word)
    if (w) return false;
  return true;
}

// sin r or cos r by their Taylor series, 0 <= r < 0.8.
Fixed Series(const Fixed& r, bool cosine) {
  const Fixed r2 = Multiply(r, r);
  Fixed one;
  one.word[0] = 1;
  Fixed term = cosine ? one : r;
  Fixed positive = term, negative;
  bool subtract = true;
  for (uint32_t n = cosine ? 1 : 2;; n += 2, subtract = !subtract) {
    term = DivideSmall(Multiply(term, r2), n * (n + 1));
    if (IsZero(term)) break;
    if (subtract)
      negative = Add(negative, term);
    else
      positive = Add(positive, term);
  }
  return Subtract(positive, negative);
}

// x = m 2^e with m an integer of at most 53 bits.
void Decompose(double ax, uint64_t& m, int& e) {
  const uint64_t bits = BitsOf(ax);
  const int biased = static_cast<int>(bits >> 52);
  m = bits & ((uint64_t{1} << 52) - 1);
  if (biased == 0) {
    e = -1074;
  } else {
    m |= uint64_t{1} << 52;
    e = biased - 1075;
  }
}

// |x - k pi/2| in fixed point, with k mod 4 and the sign of x - k pi/2. The
// product x 2/pi is formed exactly from the words of 2/pi that can change its
// value modulo 8 (Payne-Hanek), 350 or more fraction bits of it.
struct FixedReduced {
  Fixed r;
  int quadrant = 0;
  bool negative = false;
};

FixedReduced ReduceExactly(double ax) {
  FixedReduced out;
  uint64_t m;
  int e;
  Decompose(ax, m, e);
  if (ax < 0.78) {  // below pi/4: r is x itself (every bit fits: x >= 2^-27 here)
    for (int k = 0; k < kWords; ++k) {
      const int shift = e + 32 * k;
      uint64_t v = 0;
      if (shift >= 0 && shift < 64) v = m << shift;
      if (shift < 0 && shift > -64) v = m >> -shift;
      out.r.word[k] = static_cast<uint32_t>(v);
    }
    return out;
  }
  constexpr int kUsed = 12;
  const int skip = e >= 3 ? (e - 3) / 32 : 0;  // words that add multiples of 8 only
  uint64_t column[kUsed + 2] = {};  // little-endian words, carries not yet passed on
  const uint64_t halves[2] = {m & 0xFFFFFFFFu, m >> 32};
  for (int i = 0; i < kUsed; ++i)
    for (int h = 0; h < 2; ++h) {
      const uint64_t p = halves[h] * kTwoOverPiWords[skip + i];
      column[kUsed - 1 - i + h] += p & 0xFFFFFFFFu;
      column[kUsed - i + h] += p >> 32;
    }
  uint32_t product[kUsed + 2];
  uint64_t carry = 0;
  for (int k = 0; k < kUsed + 2; ++k) {
    const uint64_t v = column[k] + carry;
    product[k] = static_cast<uint32_t>(v);
    carry = v >> 32;
  }
  // The product's value is product * 2^(e - 32 (skip + kUsed)).
  const int point = 32 * (skip + kUsed) - e;
  const auto wordAt = [&](int i) { return i >= 0 && i < kUsed + 2 ? uint64_t{product[i]} : uint64_t{0}; };
  const auto bitsAt = [&](int at) {  // 32 bits starting at bit 'at' (0 = lowest)
    const int w = at >> 5;           // rounds down for negative 'at' too
    return static_cast<uint32_t>((wordAt(w) | (wordAt(w + 1) << 32)) >> (at & 31));
  };
  out.quadrant = static_cast<int>(bitsAt(point) & 3u);
  Fixed f;
  for (int k = 1; k < kWords; ++k) f.word[k] = bitsAt(point - 32 * k);
  if (f.word[1] & 0x80000000u) {  // nearer the next multiple of pi/2
    Fixed one;
    one.word[0] = 1;
    f = Subtract(one, f);
    out.quadrant = (out.quadrant + 1) & 3;
    out.negative = true;
  }
  out.r = Multiply(f, kHalfPi);
  return out;
}

// Rounds v in (0, 2) to 'precision' bits, to nearest. The value is never a tie:
// sin and cos of a nonzero rational are transcendental.
double RoundFixed(const Fixed& v, int precision) {
  int w = 0;
  while (w < kWords - 1 && !v.word[w]) ++w;
  const auto wordAt = [&](int i) { return i < kWords ? uint64_t{v.word[i]} : uint64_t{0}; };
  const int zeros = std::countl_zero(v.word[w]);
  const uint64_t top = (wordAt(w) << 32) | wordAt(w + 1);
  const uint64_t window = zeros ? (top << zeros) | (wordAt(w + 2) >> (32 - zeros)) : top;
  uint64_t mantissa = window >> (64 - precision);
  if ((window >> (63 - precision)) & 1u) ++mantissa;
  return std::ldexp(static_cast<double>(mantissa), 31 - (32 * w + zeros) - (precision - 1));
}

// |sin x| (or |cos x|) of ax >= 2^-27 to 'precision' bits, with its sign.
double Accurately(double ax, bool cosine, int precision, bool& negative) {
  const FixedReduced reduced = ReduceExactly(ax);
  const int quadrant = (reduced.quadrant + (cosine ? 1 : 0)) & 3;  // sin(r + q pi/2)
  const bool odd = quadrant & 1;
  negative = (quadrant & 2) != 0;
  if (!odd && reduced.negative) negative = !negative;
  return RoundFixed(Series(reduced.r, odd), precision);
}

// --- the fast path ---------------------------------------------------------

// x - k pi/2 = hi + lo, signed, |hi| <= pi/4 + 2^-30, |lo| <= 2^-33, known to
// within 'error'.
struct Reduced {
  double hi, lo;
  int quadrant;
  double error;
};

// The first seven words carry 224 bits: enough, as |r| >= 2^-62 for any double.
Pair FixedToPair(const Fixed& v) {
  double hi = 0.0, lo = 0.0, scale = 0x1p-192;
  for (int k = 6; k >= 0; --k, scale *= 0x1p32) {
    const Pair s = TwoSum(hi, static_cast<double>(v.word[k]) * scale);
    hi = s.hi;
    lo += s.lo;
  }
  return FastTwoSum(hi, lo);
}

Reduced ReduceLarge(double ax) {
  const FixedReduced exact = ReduceExactly(ax);
  const Pair r = FixedToPair(exact.r);
  const double sign = exact.negative ? -1.0 : 1.0;
  return {sign * r.hi, sign * r.lo, exact.quadrant, 0x1p-200};
}

inline Reduced Reduce(double ax) {
  if (ax >= kModerateLimit) return ReduceLarge(ax);
  const double k = (ax * kTwoOverPi + kRoundShift) - kRoundShift;
  const double t = (ax - k * kHalfPi1) - k * kHalfPi2;  // exact
  return {t, -(k * kHalfPi3 + k * kHalfPi4), static_cast<int>(k) & 3, k * 0x1p-100};
}

// True when every value within 'error' of c + d rounds to c, where 'up' and
// 'down' are the gaps from c > 0 to its neighbours in the target format.
bool Settled(double d, double error, double up, double down) {
  return d + error < 0.5 * up && d - error > -0.5 * down;
}

// |sin(r + q pi/2)| as an unnormalised pair within 2^-69 relative (plus the
// reduction's error), and its sign. With a = r rounded to 1/256 and b = r - a,
// sin(a + b) = Sa + Ca b - Ca s3 - Sa c2 and cos(a + b) = Ca - Sa b + Sa s3 - Ca c2,
// where s3 = b - sin b and c2 = 1 - cos b are below 2^-19 |b| and 2^-19. Only
// the product with b needs more than double precision: b's leading 27 bits
// times the table's leading 26 are exact.
Pair EvaluatePair(Reduced r, bool& negative) {
  const bool odd = r.quadrant & 1;
  negative = (r.quadrant & 2) != 0;
  if (r.hi < 0.0) {
    r.hi = -r.hi;
    r.lo = -r.lo;
    if (!odd) negative = !negative;
  }
  const double shifted = r.hi + 0x1.8p44;  // its ulp is 1/256
  const uint64_t index = BitsOf(shifted) & 0xFF;
  const TableRow& row = kTable[index];
  const double bh = r.hi - (shifted - 0x1.8p44), bl = r.lo;  // the difference is exact
  // In row 0 the head is 1 and bh is taken whole: |b| may be far below 2^-36.
  const double b1 = index ? (bh + 0x1.8p16) - 0x1.8p16 : bh;  // a multiple of 2^-36
  const double b2 = bh - b1;
  const double b = bh + bl;
  const double z = bh * bh + (2.0 * bh + bl) * bl;
  const double z2 = z * z;
  const double s3 = b * z * (1.0 / 6.0) - b * z2 * (1.0 / 120.0 - z * (1.0 / 5040.0));
  const double c2 = z * 0.5 - z2 * (1.0 / 24.0 - z * (1.0 / 720.0));
  const double mainHi = odd ? row.cosHi : row.sinHi, mainLo = odd ? row.cosLo : row.sinLo;
  const double otherHi = odd ? row.sinHi : row.cosHi, otherLo = odd ? row.sinLo : row.cosLo;
  const double otherHead = odd ? row.sinHead : row.cosHead;
  const double sign = odd ? -1.0 : 1.0;
  const double product = otherHead * b1;  // exact
  const double small = sign * (((otherHead * b2 + (otherHi - otherHead) * bh) +
                                (otherHi * bl + otherLo * bh)) - otherHi * s3) - mainHi * c2;
  const Pair u = FastTwoSum(mainHi, sign * product);
  return {u.hi, (u.lo + mainLo) + small};
}

// |sin(r + q pi/2)| in plain double within 2^-51 relative, and its sign: Taylor
// terms to r^17 (sine) and r^18 (cosine), whose remainders stay below 2^-62,
// evaluated in Estrin's order to keep the chain of dependent operations short.
double EvaluateDouble(double r, int quadrant, bool& negative) {
  const bool odd = quadrant & 1;
  negative = (quadrant & 2) != 0;
  if (r < 0.0) {
    r = -r;
    if (!odd) negative = !negative;
  }
  const double z = r * r, z2 = z * z, z4 = z2 * z2;
  if (odd) {
    const double c = (1.0 / 24 - z * (1.0 / 720)) + z2 * (1.0 / 40320 - z * (1.0 / 3628800)) +
                     z4 * ((1.0 / 479001600 - z * (1.0 / 87178291200.0)) +
                           z2 * (1.0 / 20922789888000.0 - z * (1.0 / 6402373705728000.0)));
    return 1.0 + z * (-0.5 + z * c);
  }
  const double s = (-1.0 / 6 + z * (1.0 / 120)) + z2 * (-1.0 / 5040 + z * (1.0 / 362880)) +
                   z4 * ((-1.0 / 39916800 + z * (1.0 / 6227020800.0)) +
                         z2 * (-1.0 / 1307674368000.0 + z * (1.0 / 355687428096000.0)));
  return r + r * z * s;
}

float FloatOf(double magnitude, bool negative) {
  const float f = static_cast<float>(magnitude);
  return negative ? -f : f;
}

float SinOrCosF(float x, bool cosine) {
  const double ax = std::fabs(static_cast<double>(x));
  if (!(ax <= 0x1.fffffep127)) return x - x;  // NaN stays NaN, infinities give NaN
  if (ax < 0x1p-12) return cosine ? 1.0f : x;  // sin x - x and cos x - 1 are below half an ulp
  const Reduced reduced = Reduce(ax);
  bool negative;
  const double v = EvaluateDouble(reduced.hi + reduced.lo, reduced.quadrant + (cosine ? 1 : 0), negative);
  const float f = static_cast<float>(v);
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  const uint32_t upBits = bits + 1, downBits = bits - 1;
  float up, down;
  std::memcpy(&up, &upBits, sizeof up);
  std::memcpy(&down, &downBits, sizeof down);
  const bool flip = !cosine && x < 0.0f;  // sin is odd, cos even
  if (Settled(v - f, 0x1p-47 * v + reduced.error, static_cast<double>(up) - f, f - static_cast<double>(down)))
    return FloatOf(f, negative != flip);
  const float slow = static_cast<float>(Accurately(ax, cosine, 24, negative));
  return FloatOf(slow, negative != flip);
}

}  // namespace

float SinF(float x) { return SinOrCosF(x, false); }
float CosF(float x) { return SinOrCosF(x, true); }

double Sin(double x) {
  const double ax = std::fabs(x);
  if (!(ax <= 0x1.fffffffffffffp1023)) return x - x;
  if (ax < 0x1p-26) return x;  // sin x - x is below half an ulp
  const Reduced reduced = Reduce(ax);
  bool negative;
  const Pair v = EvaluatePair(reduced, negative);
  const double c = v.hi + v.lo;
  const uint64_t bits = BitsOf(c);
  const double error = 0x1p-66 * c + reduced.error;
  if (!(c > 0.0) || !Settled((v.hi - c) + v.lo, error, DoubleOf(bits + 1) - c, c - DoubleOf(bits - 1))) {
    const double slow = Accurately(ax, false, 53, negative);
    return (negative != (x < 0.0)) ? -slow : slow;
  }
  return (negative != (x < 0.0)) ? -c : c;
}

float SinFAccurate(float x) {
  const double ax = std::fabs(static_cast<double>(x));
  if (!(ax <= 0x1.fffffep127) || ax < 0x1p-12) return SinF(x);
  bool negative;
  const float f = static_cast<float>(Accurately(ax, false, 24, negative));
  return (negative != (x < 0.0f)) ? -f : f;
}

float CosFAccurate(float x) {
  const double ax = std::fabs(static_cast<double>(x));
  if (!(ax <= 0x1.fffffep127) || ax < 0x1p-12) return CosF(x);
  bool negative;
  const float f = static_cast<float>(Accurately(ax, true, 24, negative));
  return negative ? -f : f;
}

double SinAccurate(double x) {
  const double ax = std::fabs(x);
  if (!(ax <= 0x1.fffffffffffffp1023) || ax < 0x1p-26) return Sin(x);
  bool negative;
  const double d = Accurately(ax, false, 53, negative);
  return (negative != (x < 0.0)) ? -d : d;
}
