lumora_add_test(test_folderwalk SOURCES folder/test_folderwalk.cpp)
lumora_add_test(test_setup SOURCES folder/test_setup.cpp)
lumora_add_test(test_search SOURCES folder/test_search.cpp)
