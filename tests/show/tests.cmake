lumora_add_test(test_showfile SOURCES show/test_showfile.cpp)
lumora_add_test(test_settings SOURCES show/test_settings.cpp)
