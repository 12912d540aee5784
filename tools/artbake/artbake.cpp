// artbake: turns the text sources in art/ into the game's 24-bit bitmaps and
// synthesises its three sound effects.
//   artbake --art ART_FOLDER --out GAME_FOLDER [--partial]
// --partial only warns about pictures without a source (while drawing a set).
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "art_source.h"
#include "assets/bitmap.h"
#include "platform/byte_order.h"
#include "synth.h"

namespace
{
// Bottom-up, 24 bits, 54-byte header; 16 pixels make 48-byte rows, so no padding.
bool WriteBitmap(const std::string& path, const std::vector<ArtColour>& top_first)
{
    const uint32_t image_bytes = ART_SIDE * ART_SIDE * 3;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    AppendLittle(&out, 54 + image_bytes, 4);
    AppendLittle(&out, 0, 4);
    AppendLittle(&out, 54, 4);
    AppendLittle(&out, 40, 4);
    AppendLittle(&out, ART_SIDE, 4);
    AppendLittle(&out, ART_SIDE, 4);
    AppendLittle(&out, 1, 2);
    AppendLittle(&out, 24, 2);
    AppendLittle(&out, 0, 4);
    AppendLittle(&out, image_bytes, 4);
    AppendLittle(&out, 2835, 4);
    AppendLittle(&out, 2835, 4);
    AppendLittle(&out, 0, 4);
    AppendLittle(&out, 0, 4);
    for (int32_t y = ART_SIDE - 1; y >= 0; --y)
        for (int32_t x = 0; x < ART_SIDE; ++x) {
            const ArtColour& c = top_first[static_cast<size_t>(y * ART_SIDE + x)];
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
        }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "artbake: %s\n", message.c_str());
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    std::string art, out;
    bool partial = false;
    CLI::App app{"Bakes the game's bitmaps and sound effects from the text sources.", "artbake"};
    app.add_option("--art", art, "the folder of the .art sources")->required()->type_name("ART_FOLDER");
    app.add_option("--out", out, "the game folder to write into")->required()->type_name("GAME_FOLDER");
    app.add_flag("--partial", partial, "only warn about pictures without a source");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }

    ArtBook book;
    std::string error;
    if (!ReadArtFolder(art, &book, &error))
        return Fail(error);

    // Every file the game loads needs a source, and every source with a folder must
    // be one the game loads: a misspelt name would otherwise bake silently unused.
    std::set<std::string> wanted;
    for (const TextureSet& set : TextureSets)
        for (int32_t i = 0; i < set.count; ++i)
            wanted.insert(std::string(set.folder) + "/" + set.entries[i].name);
    std::vector<std::string> missing;
    for (const std::string& name : wanted)
        if (!book.pictures.count(name))
            missing.push_back(name);
    if (!missing.empty()) {
        std::string list;
        for (const std::string& m : missing)
            list += " " + m;
        std::string message = std::to_string(missing.size()) + " pictures have no source:" + list;
        if (!partial)
            return Fail(message);
        std::fprintf(stderr, "artbake: %s\n", message.c_str());
        for (const std::string& m : missing)
            wanted.erase(m);
    }
    for (const std::string& name : book.order)
        if (name.find('/') != std::string::npos && !wanted.count(name))
            return Fail(book.pictures.at(name).where + ": " + name + " is not a file the game loads");

    int32_t written = 0;
    std::error_code ec;
    for (const std::string& name : wanted) {
        std::vector<ArtColour> pixels;
        if (!RenderPicture(book, name, &pixels, &error))
            return Fail(error);
        std::filesystem::path path = std::filesystem::path(out) / (name + ".bmp");
        std::filesystem::create_directories(path.parent_path(), ec);
        if (!WriteBitmap(path.string(), pixels))
            return Fail("cannot write " + path.string());
        written += 1;
    }

    std::filesystem::path sound = std::filesystem::path(out) / "sound";
    std::filesystem::create_directories(sound, ec);
    if (!WriteWave((sound / "scream1b.wav").string(), SynthScream()) ||
        !WriteWave((sound / "fire2a.wav").string(), SynthFire()) ||
        !WriteWave((sound / "swish2a.wav").string(), SynthSwish()))
        return Fail("cannot write the sound files in " + sound.string());
    std::printf("artbake: %d bitmaps and 3 sounds in %s\n", written, out.c_str());
    return 0;
}
