// The hierarchical product-code picture.

#include <host/library/Picture.h>

#include <gtest/gtest.h>

TEST(TDBPicture, DefaultPictureHasThreeLevels) {
    const TDBPicture picture;
    EXPECT_EQ(picture.Mask(), "9.99.999");
    EXPECT_EQ(picture.GetTtNiveis(), 3);
    EXPECT_EQ(picture.TamAcNivel("1"), 1);
    EXPECT_EQ(picture.TamAcNivel("2"), 3);
    EXPECT_EQ(picture.TamAcNivel("3"), 6);
    EXPECT_EQ(picture.TamAcNivel(QString::number(picture.GetTtNiveis())), 6);
    EXPECT_EQ(picture.TamNivel(2), 2);
}

TEST(TDBPicture, LevelsOutsideThePictureHaveNoLength) {
    const TDBPicture picture("9.99.999");
    EXPECT_EQ(picture.TamAcNivel("0"), 0);
    EXPECT_EQ(picture.TamAcNivel("4"), 0);
    EXPECT_EQ(picture.TamAcNivel(""), 0);
    EXPECT_EQ(picture.TamAcNivel("dois"), 0);
    EXPECT_EQ(picture.TamAcNivel(" 2 "), 3);
    EXPECT_EQ(picture.TamNivel(0), 0);
}

TEST(TDBPicture, OtherPictures) {
    const TDBPicture withSections("99.999.9999;1;_");
    EXPECT_EQ(withSections.GetTtNiveis(), 3);
    EXPECT_EQ(withSections.TamAcNivel("3"), 9);
    const TDBPicture flat("999999");
    EXPECT_EQ(flat.GetTtNiveis(), 1);
    EXPECT_EQ(flat.TamAcNivel("1"), 6);
    const TDBPicture doubled("99..99-");
    EXPECT_EQ(doubled.GetTtNiveis(), 2);
    EXPECT_EQ(doubled.TamAcNivel("2"), 4);
    EXPECT_EQ(TDBPicture("").GetTtNiveis(), 0);
}
