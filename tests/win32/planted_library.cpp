// Stands for a DLL someone left beside the program: the game must never load it.
extern "C" __declspec(dllexport) int morvanePlanted()
{
    return 1;
}
