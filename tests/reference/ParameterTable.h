#pragma once
// The strip's parameter table as the model reads it: range and default of every index.
namespace torvik::reference {

struct Range {
    int index;
    double min, max, defaultValue;
};

// Index, minimum, maximum, default, as the strip's parameter table gives them.
inline constexpr Range kRanges[] = {
    {0, -30, 30, -30}, {1, 10, 250, 10},       {2, -30, 30, 0},  {3, -30, 30, 0},
    {4, 5, 200, 30},   {5, -60, -10, -10},     {6, 0, 1, 1},     {7, 0, 1, 1},
    {8, 1, 500, 100},  {9, 0, 60, 60},         {10, -15, 15, 0}, {11, 220, 1200, 400},
    {12, -15, 15, 0},  {13, 1500, 8200, 3000}, {14, -15, 15, 0}, {15, -15, 15, 0},
    {16, -60, 0, 0},   {17, 1.5, 20, 4},       {18, 0, 1, 1},    {19, 0, 1, 0},
    {20, 0, 1, 1},     {21, 0, 1, 0},          {22, 0, 1, 0},    {23, 0, 1, 0},
    {24, 0, 1, 0},     {25, 0, 1, 0},          {26, 0, 1, 0},    {27, 0, 1, 0},
    {28, 0, 1, 1},     {29, 0, 1, 0},          {30, 0, 1, 0},    {31, 0, 1, 0},
    {32, 0, 1, 0},     {33, 0, 1, 0},          {34, 0, 1, 0},    {35, 0, 1, 0},
    {36, 0, 1, 0},     {37, 0, 1, 0},          {38, 0, 1, 0},    {39, 0, 1, 0},
};

} // namespace torvik::reference
