lumora_add_test(test_folderwalk SOURCES folder/test_folderwalk.cpp)
