lumora_add_test(test_forms SOURCES forms/test_forms.cpp)
