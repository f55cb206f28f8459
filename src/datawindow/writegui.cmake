target_sources(mms_gui PRIVATE
)
