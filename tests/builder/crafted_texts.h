// Texts made to hold the page's own pieces where the reader looks for them,
// in `blocks` repeats: the variables are blocks that each begin with a "?"
// line and end with the listing's start, so that every block is a place the
// listing could start; the function repeats the script's end at half the
// blocks' period, where the script's end would lie for each of them; the name
// nests the header's pieces `nameDepth` deep, so that several name lengths fit.
// With `hashes`, every other byte the function holds besides is a "#".
#ifndef TALLISK_TESTS_CRAFTED_TEXTS_H
#define TALLISK_TESTS_CRAFTED_TEXTS_H

#include <string>

#include "builder/pagepieces.h"

struct CraftedTexts {
    std::string name, variables, function;
};

inline CraftedTexts MakeCraftedTexts(size_t blocks, int nameDepth, bool hashes = false)
{
    const std::string listing = PAGE_TEXTAREA_END PAGE_LISTING_START;
    const std::string scriptEnd = PAGE_SCRIPT_END PAGE_TEXTAREA_START;
    const std::string header = PAGE_TITLE_END PAGE_TABLE_START PAGE_NAME_CELL_START;
    CraftedTexts texts;
    texts.name = "n";
    for (int i = 0; i < nameDepth; ++i)
        texts.name = texts.name + header + texts.name + PAGE_NAME_CELL_END + "y";
    const std::string head = "?x\r\n";
    const std::string block = head + std::string(200 - head.size() - listing.size(), 'v') + listing;
    std::string half = std::string(block.size() / 2 - scriptEnd.size(), 'f') + scriptEnd;
    for (size_t i = 0; hashes && i + scriptEnd.size() < half.size(); i += 2)
        half[i] = '#';
    for (size_t i = 0; i < blocks; ++i) {
        texts.variables += block;
        texts.function += half;
    }
    texts.variables += head;
    return texts;
}

#endif
