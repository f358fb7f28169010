/* Preloaded into sanitizer runs only. GL and X load their drivers with dlopen
 * and unload them at exit; a leak inside an unloaded driver is reported with
 * no module name, so no suppression can match it. Keeping every library
 * loaded lets the leak checker name the driver, and lsan.supp then tells the
 * system's leaks from ours. */
int dlclose(void* handle)
{
    (void)handle;
    return 0;
}
