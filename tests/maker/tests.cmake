lumora_add_test(test_makershow SOURCES maker/test_makershow.cpp)
lumora_add_test(test_previewloader SOURCES maker/test_previewloader.cpp)
