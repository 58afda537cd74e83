lumora_add_test(test_placement SOURCES player/test_placement.cpp)
lumora_add_test(test_sequence SOURCES player/test_sequence.cpp)
lumora_add_test(test_player SOURCES player/test_player.cpp TIMEOUT 180)
lumora_add_test(test_pictureloader SOURCES player/test_pictureloader.cpp TIMEOUT 300)
