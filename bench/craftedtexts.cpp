// Writes the texts of a page made to hold the page's own pieces where the
// reader looks for them, for make bench. craftedtexts BLOCKS NAME VARIABLES FUNCTION
#include <cstdio>
#include <cstdlib>

#include "tests/builder/crafted_texts.h"

static bool WriteText(const char* path, const std::string& text)
{
    FILE* out = fopen(path, "wb");
    bool written = out != nullptr && fwrite(text.data(), 1, text.size(), out) == text.size();
    if (out != nullptr && fclose(out) != 0)
        written = false;
    if (!written)
        fprintf(stderr, "craftedtexts: cannot write %s\n", path);
    return written;
}

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: craftedtexts BLOCKS NAME VARIABLES FUNCTION\n");
        return 2;
    }
    CraftedTexts texts = MakeCraftedTexts(strtoul(argv[1], nullptr, 10), 4);
    return WriteText(argv[2], texts.name) && WriteText(argv[3], texts.variables)
            && WriteText(argv[4], texts.function)
        ? 0
        : 1;
}
