"""The "Vistrelle" panel of the Object properties: the module's six controls."""
import bpy

from . import keys


class VISTRELLE_PT_object(bpy.types.Panel):
    bl_label = "Vistrelle"
    bl_space_type = "PROPERTIES"
    bl_region_type = "WINDOW"
    bl_context = "object"

    @classmethod
    def poll(cls, context):
        return context.object is not None

    def draw_header(self, context):
        self.layout.prop(context.object.vistrelle, "enabled", text="")

    def draw(self, context):
        settings = context.object.vistrelle
        layout = self.layout
        layout.use_property_split = True
        layout.active = settings.enabled
        layout.prop(settings, "leaf_points")
        row = layout.row()
        row.enabled = False
        row.prop(settings, "leaves")
        layout.prop(settings, "target")
        layout.prop(settings, "pivot_type")
        layout.prop(settings, "h_align")
        layout.prop(settings, "p_align")
        layout.operator("object.vistrelle_bake")
        if settings.message:
            layout.label(text=settings.message, icon="ERROR")
        elif settings.enabled and keys.baked_keys(context.object):
            layout.label(text="Its bake is muted while it turns live; Bake again replaces it", icon="INFO")
        elif settings.enabled and context.object.type == "MESH" and context.object.data.has_custom_normals:
            # Kept as the artist made them: they shade the leaves as modelled, not as turned.
            layout.label(text="Custom normals kept: they shade the leaves as modelled (Clear Custom Split Normals "
                              "shades them as turned)", icon="INFO")
        elif settings.enabled:
            # A .blend keeps the artist's mesh; the turn is made where the file is opened.
            layout.label(text="Render nodes need this add-on too, or bake to shape keys", icon="INFO")


def register():
    bpy.utils.register_class(VISTRELLE_PT_object)


def unregister():
    bpy.utils.unregister_class(VISTRELLE_PT_object)
