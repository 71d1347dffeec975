/* A module that carries nothing but resources, for FindResource on a module
 * loaded with LoadLibraryA. */
int ResourceModuleMarker(void) {
    return 1;
}
