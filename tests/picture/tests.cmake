lumora_add_test(test_placement SOURCES picture/test_placement.cpp)
lumora_add_test(test_pictureloader SOURCES picture/test_pictureloader.cpp TIMEOUT 300)
lumora_add_test(test_picturebytes SOURCES picture/test_picturebytes.cpp)
lumora_add_test(test_preloader SOURCES picture/test_preloader.cpp TIMEOUT 120)
