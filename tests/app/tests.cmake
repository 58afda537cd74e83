lumora_add_test(test_artwork SOURCES app/test_artwork.cpp)
