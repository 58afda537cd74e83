#pragma once

#include <QByteArray>

#include <lcms2.h>

// Colour profiles the picture tests make with Little CMS.
namespace test_profiles {

// The profile's bytes; the profile is closed.
QByteArray saved(cmsHPROFILE profile);

// A CMYK printer profile whose red and blue come out swapped, which no arithmetic on the inks
// alone guesses: a conversion that ignores the profile cannot pass for one that uses it.
QByteArray swappedCmyk();

} // namespace test_profiles
