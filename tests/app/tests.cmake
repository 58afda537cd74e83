lumora_add_test(test_artwork SOURCES app/test_artwork.cpp)
lumora_add_test(test_menu SOURCES app/test_menu.cpp)
lumora_add_test(test_about SOURCES app/test_about.cpp)
lumora_add_test(test_commandline_info SOURCES app/test_commandline_info.cpp)
# The same windows at device pixel ratio 1 and 2, where fonts are laid out differently.
lumora_add_test(test_captions SOURCES app/test_captions.cpp TIMEOUT 120 SCALED)
lumora_add_test(test_commandline SOURCES app/test_commandline.cpp)
lumora_add_test(test_commandline_start SOURCES app/test_commandline_start.cpp TIMEOUT 120)
