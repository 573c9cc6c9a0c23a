#pragma once
// The sender's version, as --version prints it.
inline constexpr char kSignsendVersion[] = "1.04.00";
