/* Names of the host services and plug-in classes, exactly as the host knows them. */
#ifndef VISTREL_HOST_SERVICE_NAMES_H
#define VISTREL_HOST_SERVICE_NAMES_H

#define SERVICE_ITEM_INFO "LW Item Info 3"
#define SERVICE_OBJECT_INFO "LW Object Info 3"
#define SERVICE_INSTANCE_UPDATE "Instance Update"
#define SERVICE_XPANEL "LWXPanel"

#define CLASS_DISPLACEMENT_HANDLER "DisplacementHandler"
#define CLASS_DISPLACEMENT_INTERFACE "DisplacementInterface"

#endif
