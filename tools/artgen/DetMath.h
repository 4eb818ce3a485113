#pragma once

#include <cstdint>

// The artwork is committed and a test regenerates it byte for byte, so nothing here may
// depend on the C library's transcendental functions (their last bits differ between
// implementations). Only +, -, *, / and sqrt are used, which IEEE 754 pins down exactly.
namespace artgen {

constexpr double kPi = 3.14159265358979323846;

std::uint32_t hash32(std::uint32_t x);
std::uint32_t hashCombine(std::uint32_t seed, std::uint32_t value);

double detSin(double x);
double detCos(double x);
double detAtan2(double y, double x);

double clamp01(double x);
double smoothstep(double edge0, double edge1, double x);
double lerp(double a, double b, double t);
// Floor that does not go through the C library.
long long floorToInt(double x);

} // namespace artgen
