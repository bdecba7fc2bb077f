#pragma once

// The editor's images as the editor layout expects them: resource ID, file,
// full size in pixels and number of frames stacked in the strip.

#include <array>
#include <ostream>

namespace torvik::testing {

struct CatalogueImage {
    int id;
    const char* file; // below resources/img/
    int width;        // pixels
    int height;       // pixels, all frames together
    int frames;
};

// Names a test case by its file rather than by its bytes.
inline void PrintTo(const CatalogueImage& image, std::ostream* os) {
    *os << image.file;
}

inline constexpr std::array<CatalogueImage, 45> kCatalogue{{
    {101, "BG.png", 1186, 644, 1},          {102, "BYPASSMAIN.png", 26, 52, 2},
    {103, "INPUTMAIN.png", 64, 3904, 61},   {104, "METERMAIN.png", 164, 9801, 121},
    {105, "OUTPUTMAIN.png", 66, 3904, 61},  {106, "BYPASSPRE.png", 31, 62, 2},
    {107, "GAINPRE.png", 66, 3965, 61},     {108, "HIPRE.png", 31, 62, 2},
    {109, "HPFINPRE.png", 32, 64, 2},       {110, "HPFPRE.png", 67, 4026, 61},
    {111, "LOPRE.png", 35, 64, 2},          {112, "METERPRE.png", 162, 9559, 121},
    {113, "MICPRE.png", 32, 64, 2},         {114, "PADPRE.png", 32, 64, 2},
    {115, "PHASEPRE.png", 33, 66, 2},       {116, "XFMRPRE.png", 34, 68, 2},
    {117, "BANDDES.png", 31, 64, 2},        {118, "BYPASSDES.png", 32, 64, 2},
    {119, "METERDES.png", 162, 10043, 121}, {120, "MIXDES.png", 66, 3965, 61},
    {121, "RELDES.png", 66, 3904, 61},      {122, "SOFTDES.png", 33, 64, 2},
    {123, "THRDES.png", 65, 3904, 61},      {124, "ATKGATE.png", 34, 68, 2},
    {125, "BYPASSGATE.png", 36, 64, 2},     {126, "METERGATE.png", 146, 7986, 121},
    {127, "MIXGATE.png", 66, 3965, 61},     {128, "RELGATE.png", 66, 3965, 61},
    {129, "THRGATE.png", 66, 4026, 61},     {130, "LGEQ.png", 68, 3965, 61},
    {131, "LMFEQ.png", 66, 4026, 61},       {132, "LMGEQ.png", 66, 4026, 61},
    {133, "HMFEQ.png", 66, 3965, 61},       {134, "HMGEQ.png", 66, 4026, 61},
    {135, "HGEQ.png", 66, 4026, 61},        {136, "BYPASSEQ.png", 32, 66, 2},
    {137, "ATKCOMP.png", 32, 66, 2},        {139, "EXTSCCOMP.png", 36, 70, 2},
    {140, "INTSCCOMP.png", 34, 68, 2},      {141, "METERCOMP.png", 144, 7986, 121},
    {142, "MIXCOMP.png", 68, 4026, 61},     {143, "RATIOCOMP.png", 66, 3904, 61},
    {144, "RELCOMP.png", 35, 68, 2},        {145, "THRCOMP.png", 65, 3965, 61},
    {146, "BYPASSCOMP.png", 34, 70, 2},
}};

} // namespace torvik::testing
