// The ZOB parse on its own: a file's text to a plain value, with no OpenGL
// context and no library state.
#include <gtest/gtest.h>

#include <string>

#include "zob_parse.h"

using namespace korvid;

namespace {

const std::string kImage = "[IMAGE]\nwood.bmp //Path\nWood //Name\n3 //Filter\n1 //Alpha\n0 //Averaged\n5 //Low\n200 //High\n\n";

std::string surface(const char* name, const char* marker = "[V]") {
    return std::string("[SURFACE]\n") + name +
           "\n0 0 0\n0\n1\n0\n0\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n9217\n9217\n9473\n9473\n1 //Texture Count\nWood\n"
           "1 0 0 0\n0 1 0 0\n8448\nNONE\n1 0 0 0\n0 1 0 0\n8448\n0\n1.0\n1 1 1 1\n0 0 0 0\n1 1 1 1\n0 0 0 0\n"
           "42.5 //MatShininess\n\n1 //Polygon Count\n" +
           marker + "\n9\n0 0 0\n1 0 0\n0 1 0\n\n";
}

std::string emitter(const char* name, int isBurst) {
    std::string e = std::string("[EMITTER]\n") + name + " \n3 //Particle type\n0\n0.0\n" + std::to_string(isBurst) +
                    "\n0\n0\n0\n0\n0\n0\n1 2 3 //Position\n0\n0\n0\n0\n0.5 //Speed\n0\n250 //Total\n1\n0\n0\n2000\n0\n"
                    "1 1 1 1\n0 0 0 0\n0 0 0 0\n0 0 0 0\n1\n0\n1\n0\nWood\n0 -0.01 0\n";
    if (isBurst) e += "17 //Count\n0\n0\n0\n0\n0\n0\n777 //Life\n0\n1 1 1 1\n0 0 0 0\n0 0 0 0\n0 0 0 0\n1\n0\n1\n0\n";
    return e + "\n";
}

std::string entity() {
    return "#ZOBv0.6.5\n//comment\n\n" + kImage + "[OBJECT]\n1\n1\n\n" + surface("Body") +
           "[PARTICLE_SYSTEMS]\n2 //Emitter Count\n\n" + emitter("Jet", 0) + emitter("", 1);
}

TEST(ZobParse, ReadsAWholeEntityIntoAPlainValue) {
    const ParsedEntity p = parseZob(entity());
    ASSERT_EQ(p.failure, Failure::None);
    ASSERT_EQ(p.images.size(), 1u);
    EXPECT_STREQ(p.images[0].path, "wood.bmp");
    EXPECT_STREQ(p.images[0].name, "Wood");
    EXPECT_EQ(p.images[0].high, 200);
    ASSERT_EQ(p.surfaces.size(), 1u);
    EXPECT_STREQ(p.surfaces[0].name, "Body");
    EXPECT_FLOAT_EQ(p.surfaces[0].shininess, 42.5f);
    EXPECT_EQ(p.surfaces[0].vertexFloatCount, 9);
    EXPECT_FLOAT_EQ(p.surfaces[0].vertices[3], 1.0f);
    EXPECT_FLOAT_EQ(p.surfaces[0].faceNormals[2], 1.0f) << "face normals come with the parse";
    EXPECT_EQ(p.surfaces[0].texture1Id, 0u) << "names are resolved only when committed";
    ASSERT_EQ(p.emitters.size(), 2u);
    EXPECT_STREQ(p.emitters[0].record.name, "Jet");
    EXPECT_FLOAT_EQ(p.emitters[0].record.position[2], 3.0f);
    EXPECT_EQ(p.emitters[0].record.totalParticles, 250);
    EXPECT_FALSE(p.emitters[0].hasBurst);
    EXPECT_STREQ(p.emitters[1].record.name, "Jet") << "an empty name keeps the working record's";
    EXPECT_TRUE(p.emitters[1].hasBurst);
    EXPECT_EQ(p.emitters[1].burst.count, 17);
    EXPECT_EQ(p.emitters[1].burst.life, 777);
    EXPECT_EQ(p.emitters[1].record.burst.count, 10) << "the record keeps the default burst until committed";
}

TEST(ZobParse, SaysHowFarItGot) {
    ParsedEntity p = parseZob("#ZOBv0.6.4\n");
    EXPECT_EQ(p.failure, Failure::VersionMismatch);
    EXPECT_EQ(p.header, "#ZOBv0.6.4");

    const std::string whole = entity();
    p = parseZob(whole.substr(0, whole.find("[SURFACE]") + 30));
    EXPECT_EQ(p.failure, Failure::VerticesData);
    EXPECT_EQ(p.images.size(), 1u) << "the images read before stay listed";
    EXPECT_TRUE(p.surfaces.empty());

    p = parseZob(whole.substr(0, whole.find("[IMAGE]") + 20));
    EXPECT_EQ(p.failure, Failure::VerticesData);
    EXPECT_TRUE(p.images.empty()) << "an image block cut short is not listed";

    p = parseZob(whole.substr(0, whole.find("17 //Count") + 20));
    EXPECT_EQ(p.failure, Failure::ParticleData);
    ASSERT_EQ(p.emitters.size(), 2u);
    EXPECT_FALSE(p.emitters[1].hasBurst) << "the emitter was read, its burst was not";
    EXPECT_EQ(p.surfaces.size(), 1u);

    std::string wrongMarker = whole;
    wrongMarker.replace(wrongMarker.find("[EMITTER]"), 9, "[EMITTEX]");
    p = parseZob(wrongMarker);
    EXPECT_EQ(p.failure, Failure::ParticleData);
    EXPECT_TRUE(p.emitters.empty());

    std::string eleven = whole;
    eleven.replace(eleven.find("[OBJECT]\n1\n1"), 12, "[OBJECT]\n1\n11");
    EXPECT_EQ(parseZob(eleven).failure, Failure::VerticesData);
}

}  // namespace
