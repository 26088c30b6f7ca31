"""The vistrelle package (and with it the native library) imported when first needed, never while
the add-on is enabled, so the add-on enables and shows its panel even where no native part loads."""
import importlib

SETTING_COUNT = 5  # the saved integers an object keeps (its `settings`); checked against the package's


class Missing(Exception):
    """The package's native part does not load here: its one-line reason."""


def package():
    """The vistrelle package, or Missing with the reason it does not load."""
    try:
        found = importlib.import_module(".vistrelle", __package__)
    except (ImportError, OSError) as refusal:
        raise Missing(str(refusal).splitlines()[0] if str(refusal) else type(refusal).__name__) from None
    if found.MODULE_PATH is None:
        raise Missing("vistrelle: this package carries no vistrel.p for %s" % found.PLATFORM)
    if len(found.SETTINGS) != SETTING_COUNT:
        raise Missing("vistrelle: this add-on keeps %d settings, the package has %d"
                      % (SETTING_COUNT, len(found.SETTINGS)))
    return found


def pivot_names():
    """The module's pivot rules in its panel's order, or () where the package does not load."""
    try:
        return package().PIVOT_NAMES
    except Missing:
        return ()


def setting_defaults():
    return package().SETTING_DEFAULTS
