#pragma once

#include "import/core/importoptions.h"

// How the operator last had pictures made into frames, kept in the settings store so the next
// import dialog starts from it: the size, the background, the dithering, and whether the frames
// go to the frame list. Which pictures of an animation are taken is each import's own.
namespace ImportSettings {

struct Kept
{
    ImportOptions options;
    bool addToList = false;
};

// What was kept; the defaults for what was not, or was not understood.
Kept load();
// A store that cannot be written only forgets it.
void save(const Kept &kept);

} // namespace ImportSettings
