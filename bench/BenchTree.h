#pragma once
// What the benchmarks share: a clock, the generated trees of numbered files and
// the bare enumeration floor every find is measured against.
#include <cstddef>
#include <string>

// Seconds from the performance counter.
double Now();

// Generates folders "vol00000".. below the root, each with files "img0001".. (every
// third a .png, the others .jpg), unless a complete tree is there from a kept run.
void MakeTree(const std::string& root, int folders, int files);
void RemoveTree(const std::string& dir);

// The floor: every folder below the root read twice (as a find reads its files,
// then its sub-folders) with FindFirstFileA, entries only counted.
size_t EnumerationFloor(const std::string& root);
