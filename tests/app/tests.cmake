lumora_add_test(test_artwork SOURCES app/test_artwork.cpp)
lumora_add_test(test_menu SOURCES app/test_menu.cpp)
lumora_add_test(test_about SOURCES app/test_about.cpp)
lumora_add_test(test_commandline_info SOURCES app/test_commandline_info.cpp)
